// The readers of registry values over arbitrary stored values: any type, any byte count (odd,
// empty, without terminator, larger than every buffer). Each reader must read inside what the
// registry returned, give a text that ends at the first zero unit, refuse what its buffer
// cannot hold and close every key it opened.
//
// Input: byte 0 picks the value's type, bit 0 of byte 1 repeats the data to beyond 64 KiB,
// the rest is the value's data as stored. The same value is put everywhere a reader looks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "bootstrap/installer_runs.h"
#include "common/utf16.h"
#include "core/product_constants.h"
#include "core/registry_values.h"
#include "installed/version_decision.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"
#include "report/report_parameters.h"
#include "report/session_ids.h"
#include "report/url_encoding.h"

namespace {

using quorix::platform::kHkeyCurrentUser;
using quorix::platform::kHkeyLocalMachine;
using Units = std::vector<std::uint16_t>;

constexpr std::size_t kHugeValueBytes = 64 * 1024 + 1;
constexpr std::uint32_t kReportTextBytes = 520;
const std::wstring kReleaseKey = L"SOFTWARE\\Velora\\Quorix\\10.0";
const std::wstring kFallbackSession = L"fallback";

// The text a reader should give for these bytes: whole units up to the first zero one.
Units TextUnits(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    Units units;
    for (std::size_t i = 0; i + 1 < count && i + 1 < bytes.size(); i += 2) {
        const std::uint16_t unit = static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        units.push_back(unit);
    }
    return units;
}

Units UnitsOf(const std::wstring& text) {
    const std::vector<std::uint8_t> bytes = quorix::ToUtf16LeBytes(text, false);
    Units units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return units;
}

std::wstring TextOf(const std::vector<std::uint8_t>& bytes) {
    return quorix::CutAtTerminator(quorix::FromUtf16LeBytes(bytes.data(), bytes.size()));
}

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckReadRegistryString(quorix::ProcessContext& ctx, std::uint32_t type,
                             const std::vector<std::uint8_t>& value) {
    try {
        const std::wstring text = quorix::ReadRegistryString(ctx, quorix::kCompatibilityKeyPath,
                                                             quorix::kCompatibilityValueName);
        Check(type == quorix::platform::kRegSz);
        Check(UnitsOf(text) == TextUnits(value, value.size()));
    } catch (const quorix::CallFailed& error) {
        Check(type != quorix::platform::kRegSz);
        Check(std::string(error.what()) == "Registry Value not found");
    }
}

void CheckBoundedReads(quorix::sim::SimMachine& machine, std::uint32_t type,
                       const std::vector<std::uint8_t>& value) {
    quorix::platform::Registry& registry = machine.registry;
    quorix::platform::UniqueRegistryKey key(registry);
    Check(registry.OpenKey(kHkeyLocalMachine, quorix::kCompatibilityKeyPath,
                           quorix::platform::kKeyRead, key.Receive()) == 0);
    const std::uint32_t size = static_cast<std::uint32_t>(value.size());
    std::vector<std::uint32_t> capacities = {0, 1, 2, 4, 128, kReportTextBytes, size, size + 1};
    if (size != 0) capacities.push_back(size - 1);
    for (std::uint32_t capacity : capacities) {
        std::uint32_t readType = 0xFFFF;
        std::vector<std::uint8_t> bytes;
        const bool read = quorix::QueryBoundedValue(
            registry, key.Get(), quorix::kCompatibilityValueName, capacity, &readType, &bytes);
        Check(read == (size <= capacity));
        if (read) {
            Check(readType == type);
            Check(bytes == value);
        }
        std::wstring text = L"untouched";
        const bool readText = quorix::QueryBoundedText(
            registry, key.Get(), quorix::kCompatibilityValueName, capacity, &text);
        Check(readText == read);
        if (readText) {
            Check(UnitsOf(text) == TextUnits(value, value.size()));
        } else {
            Check(text == L"untouched");
        }
    }
}

void CheckPreinstallMode(quorix::ProcessContext& ctx, const std::vector<std::uint8_t>& value) {
    // Read into four zeroed bytes whatever the type; a longer value does not fit.
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < value.size() && i < 4; ++i) number |= value[i] << (8 * i);
    Check(quorix::IsPreinstallMode(ctx) == (value.size() <= 4 && number == 1));
}

void CheckReport(quorix::ProcessContext& ctx, const std::vector<std::uint8_t>& value) {
    const bool fits = value.size() <= kReportTextBytes;
    const std::wstring text = fits ? TextOf(value) : std::wstring();

    quorix::ReportParameters report(L"VLQ2011", L"", quorix::kReleaseVersionText, L"");
    report.Collect(ctx);
    // The product language lies below HKEY_CURRENT_USER only.
    Check(report.Value(L"vl_lang") == quorix::UrlEncode(text));

    // A readable "CurSID" decides, even when empty; only an unreadable one leaves it to "AID".
    const std::wstring session = fits ? text : kFallbackSession;
    Check(report.Value(L"vl_sid") == quorix::UrlEncode(session));
    Check(report.Value(L"aid") == report.Value(L"vl_sid"));
    if (session.empty() || session == kFallbackSession) {
        // The record lies where the session names it (the records' key itself for none).
        Check(report.Value(L"vl_dod") == quorix::UrlEncode(text));
        Check(report.Value(L"vl_ind") == quorix::UrlEncode(text));
    }

    for (wchar_t c : report.QueryString()) {
        const bool plain =
            (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
        Check(plain || c == L'-' || c == L']' || c == L'.' || c == L'%' || c == L'?' || c == L'&' ||
              c == L'=' || c == L'_' || c == L'~');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint32_t types[] = {quorix::platform::kRegSz,     quorix::platform::kRegMultiSz,
                                   quorix::platform::kRegDword,  quorix::platform::kRegExpandSz,
                                   quorix::platform::kRegBinary, quorix::platform::kRegNone,
                                   quorix::platform::kRegQword,  0x12345u};
    const std::uint32_t type = types[data[0] & 7];
    std::vector<std::uint8_t> value(data + 2, data + size);
    if ((data[1] & 1) && !value.empty()) {
        std::vector<std::uint8_t> grown;
        while (grown.size() < kHugeValueBytes) grown.insert(grown.end(), data + 2, data + size);
        value.assign(grown.begin(), grown.end());
    }

    quorix::sim::SimMachine machine;
    quorix::sim::SimRegistry& registry = machine.registry;
    registry.PutValue(kHkeyLocalMachine, quorix::kCompatibilityKeyPath,
                      quorix::kCompatibilityValueName, type, value);
    registry.PutValue(kHkeyLocalMachine, quorix::kPreinstallKeyPath, L"PreinstallMode", type,
                      value);
    registry.PutValue(kHkeyCurrentUser, kReleaseKey, L"UILanguage", type, value);
    registry.PutValue(kHkeyLocalMachine, kReleaseKey, L"CurSID", type, value);
    registry.PutString(kHkeyLocalMachine, kReleaseKey, L"AID", kFallbackSession);
    for (const std::wstring& record :
         {std::wstring(quorix::kSessionRecordsPath),
          std::wstring(quorix::kSessionRecordsPath) + kFallbackSession}) {
        registry.PutValue(kHkeyLocalMachine, record, L"Download", type, value);
        registry.PutValue(kHkeyLocalMachine, record, L"Install", type, value);
    }
    // The installation GUID's places: the setup key's default value, and the name of the
    // value an earlier release's subkey points to.
    registry.PutValue(kHkeyLocalMachine, quorix::kSetupKeyPath, L"", type, value);
    registry.PutValue(kHkeyLocalMachine, std::wstring(quorix::kSetupKeyPath) + L"VLQ2011", L"",
                      type, value);

    quorix::ProcessState state;
    quorix::ProcessContext ctx{machine.Os(), state};
    CheckReadRegistryString(ctx, type, value);
    CheckBoundedReads(machine, type, value);
    CheckPreinstallMode(ctx, value);
    CheckReport(ctx, value);
    Check(machine.core.ledger.OpenCount() == 0);
    return 0;
}
