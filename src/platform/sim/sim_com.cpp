#include "platform/sim/sim_com.h"

#include "common/result_codes.h"

namespace quorix::sim {

namespace {

constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

void AppendHex(std::wstring& text, std::uint32_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        text.push_back(kHexDigits[(value >> shift) & 0xFu]);
    }
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

bool ReadHex(const std::wstring& text, std::size_t at, int digits, std::uint32_t* value) {
    std::uint32_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexValue(text[at + static_cast<std::size_t>(i)]);
        if (digit < 0) return false;
        result = (result << 4) | static_cast<std::uint32_t>(digit);
    }
    *value = result;
    return true;
}

std::int32_t FaultResult(std::uint32_t error) { return HResultFromWin32(error); }

}  // namespace

std::wstring FormatGuidText(const platform::Guid& guid) {
    std::wstring text = L"{";
    AppendHex(text, guid.data1, 8);
    text += L'-';
    AppendHex(text, guid.data2, 4);
    text += L'-';
    AppendHex(text, guid.data3, 4);
    text += L'-';
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == 2) text += L'-';
        AppendHex(text, guid.data4[i], 2);
    }
    text += L'}';
    return text;
}

bool ParseGuidText(const std::wstring& text, platform::Guid* guid) {
    if (text.size() != 38 || text[0] != L'{' || text[37] != L'}' || text[9] != L'-' ||
        text[14] != L'-' || text[19] != L'-' || text[24] != L'-') {
        return false;
    }
    platform::Guid parsed;
    std::uint32_t value = 0;
    if (!ReadHex(text, 1, 8, &parsed.data1)) return false;
    if (!ReadHex(text, 10, 4, &value)) return false;
    parsed.data2 = static_cast<std::uint16_t>(value);
    if (!ReadHex(text, 15, 4, &value)) return false;
    parsed.data3 = static_cast<std::uint16_t>(value);
    static constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, kByteAt[i], 2, &value)) return false;
        parsed.data4[i] = static_cast<std::uint8_t>(value);
    }
    *guid = parsed;
    return true;
}

std::int32_t SimCom::InitializeCom() {
    if (core_.Failing("CoInitialize")) return FaultResult(core_.lastError);
    if (threadInMultithreadedApartment) return platform::kRpcEChangedMode;
    apartments_.push_back(core_.ledger.Open("com apartment", "CoInitialize"));
    return apartments_.size() == 1 ? kSOk : platform::kComSFalse;
}

void SimCom::UninitializeCom() {
    core_.faults.Check("CoUninitialize");
    if (apartments_.empty()) {
        core_.ledger.Close(platform::kNullHandle);  // counted as a close of nothing open
        return;
    }
    core_.ledger.Close(apartments_.back());
    apartments_.pop_back();
}

std::int32_t SimCom::CreateGuid(platform::Guid* guid) {
    if (core_.Failing("CoCreateGuid")) return FaultResult(core_.lastError);
    platform::Guid made;
    if (!nextGuids.empty()) {
        made = nextGuids.front();
        nextGuids.pop_front();
    } else {
        // A version-4 layout with the counter in front: unique within the machine's life.
        ++counter_;
        made.data1 = 0x51000000u | counter_;
        made.data2 = 0x5157;
        made.data3 = 0x4000 | (counter_ & 0x0FFFu);
        made.data4 = {0x80, 0x11, 0x22, 0x33,
                      0x44, 0x55, 0x66, static_cast<std::uint8_t>(counter_)};
    }
    created.push_back(made);
    *guid = made;
    return kSOk;
}

int SimCom::StringFromGuid(const platform::Guid& guid, std::size_t capacity, std::wstring* text) {
    if (core_.Failing("StringFromGUID2")) return 0;
    if (capacity < platform::kGuidTextCapacity) return 0;
    *text = FormatGuidText(guid);
    return static_cast<int>(platform::kGuidTextCapacity);
}

std::int32_t SimCom::ParseIid(const std::wstring& text, platform::Guid* guid) {
    if (core_.Failing("IIDFromString")) return FaultResult(core_.lastError);
    // As ole32 answers: a text of the wrong length is an invalid argument, a text of the
    // right length that is no GUID an invalid interface string.
    if (text.size() != 38) return kEInvalidArg;
    return ParseGuidText(text, guid) ? kSOk : platform::kCoEIidString;
}

}  // namespace quorix::sim
