#include "core/run_log.h"

#include "common/result_codes.h"
#include "common/text.h"
#include "common/utf16.h"
#include "core/admin_folder.h"

namespace quorix {

namespace {

// Names tried after the plain one: "_2" to "_99". Past that something is wrong with the folder.
constexpr std::uint32_t kLastNameNumber = 99;

// Room held back below the limit for the line that says the log was cut and for the exit line.
constexpr std::uint64_t kClosingRoom = 3 * RunLog::kMaxExitReasonLength + 512;

// The number in base 10, with leading zeros up to `width` digits. Appended in place: the log's
// every line and name is built in one string, without temporaries.
void AppendDigits(std::wstring& text, std::uint64_t value, std::size_t width) {
    wchar_t digits[20];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0 || count < width);
    while (count > 0) text.push_back(digits[--count]);
}

// Each byte as the character of that number (ASCII, and Latin-1 beyond it).
void AppendAscii(std::wstring& text, std::string_view ascii) {
    for (char c : ascii) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}

std::wstring LogFileName(const platform::SystemTime& t, std::uint32_t number) {
    std::wstring name = kRunLogNameStem;
    AppendDigits(name, t.year, 4);
    AppendDigits(name, t.month, 2);
    AppendDigits(name, t.day, 2);
    name += L'_';
    AppendDigits(name, t.hour, 2);
    AppendDigits(name, t.minute, 2);
    AppendDigits(name, t.second, 2);
    if (number > 1) {
        name += L'_';
        AppendDigits(name, number, 1);
    }
    name += L".log";
    return name;
}

// Characters that would break a line, or make the text show in another order than it is
// stored (a re-tagged copy chooses some of what is logged): C0, DEL and C1, the line and
// paragraph separators, and the bidirectional marks, embeddings, overrides and isolates.
bool IsControl(wchar_t c) {
    return c < L' ' || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// A line's text as it goes into the file: one line, bounded.
void AppendCleanText(std::wstring& line, std::wstring_view text, std::size_t maxLength) {
    const std::size_t start = line.size();
    for (wchar_t c : text) {
        if (line.size() - start == maxLength) {
            line += L"...";
            break;
        }
        line.push_back(IsControl(c) ? L' ' : c);
    }
    // The system's message texts end in a line break, which became blanks.
    while (line.size() > start && line.back() == L' ') line.pop_back();
}

std::wstring Join(std::initializer_list<LogPiece> pieces) {
    std::wstring text;
    for (const LogPiece& piece : pieces) piece.AppendTo(text);
    return text;
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

    // An elevated run keeps its log in %TEMP% only where no link on the way could send it
    // elsewhere; a run as SYSTEM shares that folder with every user and never does.
    bool localSystem = false;
    const bool elevated = RunsElevated(os, &localSystem);
    std::wstring folder;
    const std::uint32_t length = os.files.GetTempFolder(platform::kMaxPath, &folder);
    if (length != 0 && length < platform::kMaxPath && !localSystem &&
        (!elevated || !PathHasReparsePoint(os.files, folder))) {
        CreateIn(EnsureTrailingBackslash(folder), elevated);
    }
    if (!IsOpen() && elevated && GetAdminOnlyFolder(os, &folder) >= 0) CreateIn(folder, true);
    if (IsOpen()) WriteBytes(std::string(kRunLogHeader) + "\r\n");
    system.SetLastError(savedError);
}

void RunLog::CreateIn(const std::wstring& folder, bool mustLieThere) {
    platform::System& system = os_->system;
    platform::SystemTime now;
    system.GetLocalTimeNow(&now);
    for (std::uint32_t number = 1; number <= kLastNameNumber; ++number) {
        const std::wstring path = folder + LogFileName(now, number);
        // CREATE_NEW never opens what exists; with the reparse-point flag a link of that name
        // is not followed to create its target elsewhere either.
        const platform::NativeHandle file = os_->files.CreateFileHandle(
            path, platform::kGenericWrite | platform::kDeleteAccess, platform::kFileShareRead,
            platform::kCreateNew,
            platform::kFileAttributeNormal | platform::kFileFlagOpenReparsePoint);
        if (platform::IsValidHandle(file)) {
            std::wstring finalPath = path;
            if (mustLieThere && !LiesWhereMeant(*os_, file, path, &finalPath)) {
                // A link above the name led the file elsewhere: it goes again, through its own
                // handle, since its name leads to where it is not.
                os_->files.DeleteOnClose(file);
                system.CloseHandle(file);
                return;
            }
            file_ = file;
            path_ = finalPath;
            return;
        }
        if (system.GetLastError() != kErrorFileExists &&
            system.GetLastError() != kErrorAlreadyExists) {
            return;
        }
    }
}

void RunLog::AppendSecondsSinceStart(std::wstring& line) {
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
    AppendDigits(line, seconds, 1);
    line += L'.';
    AppendDigits(line, micro, 6);
}

void LogPiece::AppendTo(std::wstring& text) const {
    switch (kind_) {
        case Kind::Ascii:
            AppendAscii(text, size_ == kTerminated ? std::string_view(ascii_)
                                                   : std::string_view(ascii_, size_));
            break;
        case Kind::Wide:
            text +=
                size_ == kTerminated ? std::wstring_view(wide_) : std::wstring_view(wide_, size_);
            break;
        case Kind::Decimal:
            AppendDigits(text, wideNumber_, 1);
            break;
        case Kind::Hex:
            text += L"0x";
            for (int shift = 28; shift >= 0; shift -= 4) {
                text.push_back(L"0123456789ABCDEF"[(number_ >> shift) & 0xFu]);
            }
            break;
    }
}

void RunLog::Write(const char* step, std::initializer_list<LogPiece> text) {
    if (!IsOpen() || cut_) return;
    WriteLine(step, Join(text), kMaxTextLength);
}

void RunLog::WriteLine(const char* step, std::wstring_view text, std::size_t maxLength) {
    platform::System& system = os_->system;
    const std::uint32_t savedError = system.GetLastError();
    std::wstring line;
    AppendSecondsSinceStart(line);
    line += L' ';
    AppendAscii(line, step);
    line += L": ";
    AppendCleanText(line, text, maxLength);
    std::string bytes = ToUtf8(line);
    bytes += "\r\n";
    const bool exitLine = maxLength == kMaxExitReasonLength;
    if (!exitLine && written_ + bytes.size() + kClosingRoom > limit_) {
        cut_ = true;
        line.clear();
        AppendSecondsSinceStart(line);
        AppendAscii(line,
                    " log: the log reached its size limit; the lines up to the exit line "
                    "are left out");
        bytes = ToUtf8(line);
        bytes += "\r\n";
    }
    WriteBytes(bytes);
    system.SetLastError(savedError);
}

void RunLog::WriteExit(std::int32_t exitCode, std::initializer_list<LogPiece> reason) {
    if (!IsOpen() || exitWritten_) return;
    const auto bits = static_cast<std::uint32_t>(exitCode);
    std::wstring text =
        Join({"code ", exitCode < 0 ? "-" : "", exitCode < 0 ? 0u - bits : bits, ", "});
    for (const LogPiece& piece : reason) piece.AppendTo(text);
    WriteLine("exit", text, kMaxExitReasonLength);
    exitWritten_ = true;
}

void RunLog::Finish(std::int32_t exitCode, std::initializer_list<LogPiece> reason) {
    if (!IsOpen()) return;
    WriteExit(exitCode, reason);
    const std::uint32_t savedError = os_->system.GetLastError();
    Close();
    os_->system.SetLastError(savedError);
}

void RunLog::Finish(std::int32_t exitCode, const ExitReason& reason) {
    if (reason.numberName == nullptr) {
        Finish(exitCode, {reason.text});
    } else {
        Finish(exitCode, {reason.text, " (", reason.numberName, reason.number, ")"});
    }
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
