// The run's own log: one file per run in the user's temporary folder (an elevated run's may lie
// in the admin-only folder instead), one line per step with
// its result, for the administrator who otherwise sees nothing of an unattended run but its exit
// code. The log only watches: whatever fails in it, the run goes on exactly as without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
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

// One piece of a line's text: an ASCII text (the log's own words), a wide text (a path, a code,
// a version, a system's text) or a number. It only points at its text, which must outlive the
// Write call; the log formats it, and only while it is open. Call sites so build no strings of
// their own, which would cost code at each of them (construction, destruction, exception
// cleanup) for a log that may not even be open.
class LogPiece {
public:
    constexpr LogPiece(const char* ascii) : ascii_(ascii), size_(kTerminated), kind_(Kind::Ascii) {}
    constexpr LogPiece(std::string_view ascii)
        : ascii_(ascii.data()), size_(ascii.size()), kind_(Kind::Ascii) {}
    LogPiece(const std::string& ascii) : LogPiece(std::string_view(ascii)) {}
    constexpr LogPiece(const wchar_t* wide) : wide_(wide), size_(kTerminated), kind_(Kind::Wide) {}
    constexpr LogPiece(std::wstring_view wide)
        : wide_(wide.data()), size_(wide.size()), kind_(Kind::Wide) {}
    LogPiece(const std::wstring& wide) : LogPiece(std::wstring_view(wide)) {}
    // In base 10. No signed form: a signed number must say how it is to be shown.
    constexpr LogPiece(std::uint32_t number) : LogPiece(std::uint64_t{number}) {}
    constexpr LogPiece(std::uint64_t number)
        : wideNumber_(number), size_(0), kind_(Kind::Decimal) {}
    LogPiece(std::int32_t) = delete;
    LogPiece(bool) = delete;

    // "0x" and eight upper-case hexadecimal digits, as result codes are written.
    static constexpr LogPiece Hex(std::uint32_t code) { return LogPiece(code, Kind::Hex); }
    // The piece where the condition holds, nothing where it does not: a part of a line that
    // only some runs have.
    static constexpr LogPiece When(bool condition, LogPiece piece) {
        return condition ? piece : LogPiece("");
    }

    void AppendTo(std::wstring& text) const;

private:
    enum class Kind : std::uint8_t { Ascii, Wide, Decimal, Hex };
    static constexpr std::size_t kTerminated = static_cast<std::size_t>(-1);

    constexpr LogPiece(std::uint32_t number, Kind kind) : number_(number), size_(0), kind_(kind) {}

    union {
        const char* ascii_;
        const wchar_t* wide_;
        std::uint32_t number_;
        std::uint64_t wideNumber_;
    };
    std::size_t size_;  // of a text; kTerminated: up to its terminating null
    Kind kind_;
};

// Why a run that returns ended, for the exit line: a fixed text, and for some a number in
// brackets after it, "<text> (<numberName><number>)".
struct ExitReason {
    const char* text;
    const char* numberName = nullptr;
    std::uint32_t number = 0;
};

class RunLog {
public:
    RunLog() = default;
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // Starts the run's clock, then creates the file "QuorixSetup_<local start time>.log" in the
    // temporary folder (with "_2", "_3", ... when the name is taken) and writes the header. The
    // file is always a new one: never one that existed, nor what a link of that name leads to.
    // An elevated run uses the temporary folder only when no folder on its path is a reparse
    // point and the file's final path is the one meant; otherwise, and always in a run as
    // LocalSystem, the log goes to the admin-only folder the packages use (GetAdminOnlyFolder).
    // Where it cannot be created the run has no log.
    void Start(platform::Platform& os);

    // One line "<seconds> <step>: <text>", the text being the pieces one after the other.
    // Control characters in the text become blanks and a text past kMaxTextLength is cut.
    // Keeps the thread's last error as it found it.
    void Write(const char* step, std::initializer_list<LogPiece> text);

    // The exit line, unless WriteExit wrote it already, then the file is closed; later writes
    // do nothing. Called on every way out of the run.
    void Finish(std::int32_t exitCode, std::initializer_list<LogPiece> reason);
    void Finish(std::int32_t exitCode, const ExitReason& reason);

    // The exit line of a run that shows one last box before it ends, written before the box: a
    // run left waiting on it still says why it ends. What the run does after the box (a help
    // page opened) still follows in the log until Close.
    void WriteExit(std::int32_t exitCode, std::initializer_list<LogPiece> reason);
    void Close();

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
    // Creates the log file in `folder` (ending in "\"); with mustLieThere one whose final path
    // is not that folder's is deleted again and the run has no log from there.
    void CreateIn(const std::wstring& folder, bool mustLieThere);
    void AppendSecondsSinceStart(std::wstring& line);
    void WriteLine(const char* step, std::wstring_view text, std::size_t maxLength);
    void WriteBytes(const std::string& bytes);

    platform::Platform* os_ = nullptr;
    platform::NativeHandle file_ = platform::kInvalidHandleValue;
    std::wstring path_;
    std::uint64_t startCount_ = 0;
    std::uint64_t frequency_ = 0;  // 0: no counter, milliseconds of GetTickCount instead
    std::uint32_t startTicks_ = 0;
    std::uint64_t written_ = 0;
    std::uint32_t limit_ = kRunLogSizeLimit;
    bool cut_ = false;
    bool exitWritten_ = false;
};

}  // namespace quorix
