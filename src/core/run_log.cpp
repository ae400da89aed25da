#include "core/run_log.h"

#include "common/result_codes.h"
#include "common/text.h"
#include "common/utf16.h"

namespace quorix {

namespace {

// Names tried after the plain one: "_2" to "_99". Past that something is wrong with the folder.
constexpr std::uint32_t kLastNameNumber = 99;

// Room held back below the limit for the line that says the log was cut and for the exit line.
constexpr std::uint64_t kClosingRoom = 3 * RunLog::kMaxExitReasonLength + 512;

std::wstring Digits(unsigned value, std::size_t width) {
    std::wstring text = ToDecimal(value);
    return text.size() < width ? std::wstring(width - text.size(), L'0') + text : text;
}

std::wstring LogFileName(const platform::SystemTime& t, std::uint32_t number) {
    std::wstring name = kRunLogNameStem + Digits(t.year, 4) + Digits(t.month, 2) +
                        Digits(t.day, 2) + L"_" + Digits(t.hour, 2) + Digits(t.minute, 2) +
                        Digits(t.second, 2);
    if (number > 1) name += L"_" + ToDecimal(number);
    return name + L".log";
}

// A line's text as it goes into the file: one line, bounded.
std::wstring CleanText(std::wstring_view text, std::size_t maxLength) {
    std::wstring clean;
    clean.reserve(text.size() < maxLength ? text.size() : maxLength);
    for (wchar_t c : text) {
        if (clean.size() == maxLength) {
            clean += L"...";
            break;
        }
        clean.push_back(c < L' ' || c == 0x7F ? L' ' : c);
    }
    // The system's message texts end in a line break, which became blanks.
    while (!clean.empty() && clean.back() == L' ') clean.pop_back();
    return clean;
}

}  // namespace

void RunLog::Start(platform::Platform& os) {
    os_ = &os;
    platform::System& system = os.system;
    const std::uint32_t savedError = system.GetLastError();
    if (!system.QueryHighResolutionCounter(&startCount_, &frequency_) || frequency_ == 0) {
        frequency_ = 0;
        startTicks_ = system.GetTickCount();
    }

    std::wstring folder;
    const std::uint32_t length = os.files.GetTempFolder(platform::kMaxPath, &folder);
    if (length != 0 && length < platform::kMaxPath) {
        platform::SystemTime now;
        system.GetLocalTimeNow(&now);
        folder = EnsureTrailingBackslash(folder);
        for (std::uint32_t number = 1; number <= kLastNameNumber; ++number) {
            const std::wstring path = folder + LogFileName(now, number);
            // CREATE_NEW never opens what exists; with the reparse-point flag a link of that
            // name is not followed to create its target elsewhere either.
            const platform::NativeHandle file = os.files.CreateFileHandle(
                path, platform::kGenericWrite, platform::kFileShareRead, platform::kCreateNew,
                platform::kFileAttributeNormal | platform::kFileFlagOpenReparsePoint);
            if (platform::IsValidHandle(file)) {
                file_ = file;
                path_ = path;
                break;
            }
            if (system.GetLastError() != kErrorFileExists &&
                system.GetLastError() != kErrorAlreadyExists) {
                break;
            }
        }
    }
    if (IsOpen()) WriteBytes(std::string(kRunLogHeader) + "\r\n");
    system.SetLastError(savedError);
}

std::wstring RunLog::SecondsSinceStart() {
    std::uint64_t elapsed = 0;
    std::uint64_t perSecond = 1000;
    if (frequency_ != 0) {
        std::uint64_t now = 0;
        std::uint64_t frequency = 0;
        if (os_->system.QueryHighResolutionCounter(&now, &frequency) && now >= startCount_) {
            elapsed = now - startCount_;
        }
        perSecond = frequency_;
    } else {
        // Unsigned difference: right across the wrap of the tick counter.
        elapsed = static_cast<std::uint32_t>(os_->system.GetTickCount() - startTicks_);
    }
    const std::uint64_t seconds = elapsed / perSecond;
    const std::uint64_t micro = (elapsed % perSecond) * 1000000 / perSecond;
    return ToDecimal(seconds) + L"." + Digits(static_cast<unsigned>(micro), 6);
}

void RunLog::Write(std::wstring_view step, std::wstring_view text) {
    if (!IsOpen() || cut_) return;
    WriteLine(step, text, kMaxTextLength);
}

void RunLog::WriteLine(std::wstring_view step, std::wstring_view text, std::size_t maxLength) {
    platform::System& system = os_->system;
    const std::uint32_t savedError = system.GetLastError();
    std::wstring line = SecondsSinceStart();
    line += L' ';
    line += step;
    line += L": ";
    line += CleanText(text, maxLength);
    std::string bytes = ToUtf8(line) + "\r\n";
    const bool exitLine = maxLength == kMaxExitReasonLength;
    if (!exitLine && written_ + bytes.size() + kClosingRoom > limit_) {
        cut_ = true;
        bytes = ToUtf8(SecondsSinceStart() +
                       L" log: the log reached its size limit; the lines up to the exit line are "
                       L"left out") +
                "\r\n";
    }
    WriteBytes(bytes);
    system.SetLastError(savedError);
}

void RunLog::Finish(std::int32_t exitCode, std::wstring_view reason) {
    if (!IsOpen()) return;
    const std::wstring code = exitCode < 0
                                  ? L"-" + ToDecimal(0u - static_cast<std::uint32_t>(exitCode))
                                  : ToDecimal(static_cast<std::uint32_t>(exitCode));
    WriteLine(L"exit", L"code " + code + L", " + std::wstring(reason), kMaxExitReasonLength);
    const std::uint32_t savedError = os_->system.GetLastError();
    Close();
    os_->system.SetLastError(savedError);
}

void RunLog::WriteBytes(const std::string& bytes) {
    if (!IsOpen()) return;
    std::uint32_t written = 0;
    const auto count = static_cast<std::uint32_t>(bytes.size());
    // A log that lost a line would mislead: after a failed or short write it ends there.
    if (!os_->files.WriteToFile(file_, reinterpret_cast<const std::uint8_t*>(bytes.data()), count,
                                &written) ||
        written != count) {
        Close();
        return;
    }
    written_ += count;
}

void RunLog::Close() {
    if (!IsOpen()) return;
    os_->system.CloseHandle(file_);
    file_ = platform::kInvalidHandleValue;
}

}  // namespace quorix
