#include "platform/sim/sim_com.h"

#include <stdexcept>

#include "common/result_codes.h"
#include "common/text.h"

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

SimCom::SimCom(Core& core) : core_(core) {
    const platform::Guid shellLink{0x00021401u, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    SimComClass link;
    link.interfaceId = platform::Guid{0x0000010Bu, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    link.methodResults[4] = platform::kComSFalse;
    RegisterClass(shellLink, link);
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

void SimCom::RegisterClass(const platform::Guid& classId, const SimComClass& comClass) {
    classes_[FormatGuidText(classId)] = comClass;
}

std::int32_t SimCom::CreateInstance(const platform::Guid& classId, std::uint32_t context,
                                    const platform::Guid& interfaceId,
                                    platform::ComObject* object) {
    if (core_.Failing("CoCreateInstance")) return FaultResult(core_.lastError);
    createRequests.push_back(classId);
    createContexts.push_back(context);
    if (apartments_.empty()) return platform::kCoENotInitialized;
    auto it = classes_.find(FormatGuidText(classId));
    if (it == classes_.end()) return platform::kRegdbEClassNotReg;
    if (it->second.createResult < 0) return it->second.createResult;
    if (it->second.interfaceId != interfaceId) return platform::kENoInterface;
    const platform::ComObject made =
        core_.ledger.Open("com object", NarrowAscii(FormatGuidText(classId)));
    objects_[made] = Object{classId, 1};
    *object = made;
    return kSOk;
}

std::int32_t SimCom::CallMethodWithoutArguments(platform::ComObject object, std::size_t slot) {
    if (core_.Failing("ComMethodCall")) return FaultResult(core_.lastError);
    auto it = objects_.find(object);
    // A real call through a pointer that is no live object crashes; the test learns it here.
    if (it == objects_.end()) throw std::logic_error("method call on an object that is not live");
    methodCalls.push_back(ComMethodCall{it->second.classId, slot});
    const SimComClass& comClass = classes_[FormatGuidText(it->second.classId)];
    auto result = comClass.methodResults.find(slot);
    return result == comClass.methodResults.end() ? platform::kENotImpl : result->second;
}

std::uint32_t SimCom::ReleaseObject(platform::ComObject object) {
    core_.faults.Check("IUnknown::Release");
    auto it = objects_.find(object);
    if (it == objects_.end()) {
        core_.ledger.Close(object);  // counted as a close of nothing open
        return 0;
    }
    if (--it->second.references != 0) return it->second.references;
    objects_.erase(it);
    core_.ledger.Close(object);
    return 0;
}

}  // namespace quorix::sim
