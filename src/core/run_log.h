// The run's own log: one file per run in the user's temporary folder, one line per step with
// its result, for the administrator who otherwise sees nothing of an unattended run but its exit
// code. The log only watches: whatever fails in it, the run goes on exactly as without it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quorix {

// Past this size one last line says the log was cut; only the exit line still follows.
inline constexpr std::uint32_t kRunLogSizeLimit = 1024 * 1024;

// The file name's stem and the header line every log begins with.
inline constexpr const wchar_t* kRunLogNameStem = L"QuorixSetup_";
inline constexpr const char* kRunLogHeader =
    "QuorixSetup run log; times are seconds since the run started";

class RunLog {
public:
    RunLog() = default;
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Starts the run's clock, then creates the file "QuorixSetup_<local start time>.log" in the
    // temporary folder (with "_2", "_3", ... when the name is taken) and writes the header. The
    // file is always a new one: never one that existed, nor what a link of that name leads to.
    // Where it cannot be created the run has no log.
    void Start(platform::Platform& os);

    // One line "<seconds> <step>: <text>". Control characters in the text become blanks and a
    // text past kMaxTextLength is cut. Keeps the thread's last error as it found it.
    void Write(std::wstring_view step, std::wstring_view text);

    // The exit line, then the file is closed; later writes do nothing. Called on every way
    // out of the run.
    void Finish(std::int32_t exitCode, std::wstring_view reason);

    bool IsOpen() const { return platform::IsValidHandle(file_); }
    // The file's path once it was created (also after it was closed); empty without one.
    const std::wstring& Path() const { return path_; }
    // Another size limit than kRunLogSizeLimit (for a test that cannot write a megabyte).
    void LimitSize(std::uint32_t bytes) { limit_ = bytes; }

    // Longest text of a line, in characters; the exit line's reason is kept shorter still, so
    // that it always fits in the room held back for it.
    static constexpr std::size_t kMaxTextLength = 1000;
    static constexpr std::size_t kMaxExitReasonLength = 300;

private:
    std::wstring SecondsSinceStart();
    void WriteLine(std::wstring_view step, std::wstring_view text, std::size_t maxLength);
    void WriteBytes(const std::string& bytes);
    void Close();

    platform::Platform* os_ = nullptr;
    platform::NativeHandle file_ = platform::kInvalidHandleValue;
    std::wstring path_;
    std::uint64_t startCount_ = 0;
    std::uint64_t frequency_ = 0;  // 0: no counter, milliseconds of GetTickCount instead
    std::uint32_t startTicks_ = 0;
    std::uint64_t written_ = 0;
    std::uint32_t limit_ = kRunLogSizeLimit;
    bool cut_ = false;
};

}  // namespace quorix
