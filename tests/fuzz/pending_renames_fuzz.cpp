// The walk over "PendingFileRenameOperations" with arbitrary value bytes: whatever type and
// size the value has (odd byte counts, no terminators, empty, far larger than any real list),
// the walk reads only what the registry returned, keeps no empty entry and releases the key.
//
// Input: byte 0 picks the value type (even: REG_MULTI_SZ, which is what the walk reads; odd:
// another type, which it must ignore), byte 1 the file names of the package File table, the
// rest is the value's data exactly as stored (with bit 3 of byte 1 repeated to beyond
// 64 KiB, past anything a fixed buffer or a 16-bit size would hold).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/utf16.h"
#include "installed/pending_installation.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"

namespace {

constexpr const wchar_t* kPackage = L"C:\\Setup\\base.msi";
constexpr std::size_t kHugeValueBytes = 64 * 1024 + 3;

using Units = std::vector<std::uint16_t>;

// An independent reading of the same bytes: whole 16-bit units only, split at zero units.
// Compared as units, since the host's 32-bit wchar_t joins surrogate pairs.
std::vector<Units> ReferenceSplit(const std::uint8_t* bytes, std::size_t size) {
    std::vector<Units> entries;
    Units current;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const std::uint16_t unit = static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) {
            if (!current.empty()) entries.push_back(current);
            current.clear();
        } else {
            current.push_back(unit);
        }
    }
    if (!current.empty()) entries.push_back(current);
    return entries;
}

std::vector<Units> AsUnits(const std::vector<std::wstring>& texts) {
    std::vector<Units> result;
    for (const std::wstring& text : texts) {
        const std::vector<std::uint8_t> bytes = quorix::ToUtf16LeBytes(text, false);
        Units units;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
        }
        result.push_back(units);
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const bool multiString = (data[0] & 1) == 0;
    const std::uint32_t otherTypes[] = {quorix::platform::kRegSz, quorix::platform::kRegNone,
                                        quorix::platform::kRegDword,
                                        quorix::platform::kRegExpandSz};
    const std::uint32_t type =
        multiString ? quorix::platform::kRegMultiSz : otherTypes[(data[0] >> 1) & 3];
    const std::uint8_t namesChoice = data[1];
    const std::uint8_t* value = data + 2;
    const std::size_t valueSize = size - 2;

    // The split on exactly the bytes given: ASan catches a read past them.
    std::vector<std::uint8_t> exact(value, value + valueSize);
    if ((namesChoice & 8) && valueSize != 0) {
        std::vector<std::uint8_t> grown;
        while (grown.size() < kHugeValueBytes) grown.insert(grown.end(), value, value + valueSize);
        exact.assign(grown.begin(), grown.end());  // a block of exactly that size for ASan
    }
    const std::vector<std::wstring> split = quorix::SplitPendingRenames(exact.data(), exact.size());
    if (AsUnits(split) != ReferenceSplit(exact.data(), exact.size())) std::abort();

    quorix::sim::SimMachine machine;
    machine.registry.PutValue(quorix::platform::kHkeyLocalMachine, quorix::kSessionManagerKeyPath,
                              quorix::kPendingRenamesValueName, type, exact);
    // A File table whose names may or may not end one of the entries.
    std::vector<std::wstring> files;
    if (namesChoice & 1) files.push_back(L"QUORIX~1.DLL|quorix.dll");
    if (namesChoice & 2) files.push_back(L"");
    std::wstring firstName;  // the last path component of the first entry
    if ((namesChoice & 4) && !split.empty()) {
        const std::wstring& first = split.front();
        const std::size_t slash = first.rfind(L'\\');
        firstName = slash == std::wstring::npos ? first : first.substr(slash + 1);
        files.push_back(firstName);
    }
    machine.installer.SetFileTable(kPackage, files);

    quorix::ProcessState state;
    quorix::ProcessContext ctx{machine.Os(), state};
    const std::vector<std::wstring> entries = quorix::ReadPendingRenameEntries(ctx);
    if (multiString) {
        if (entries != split) std::abort();
    } else if (!entries.empty()) {
        std::abort();  // only a REG_MULTI_SZ is a list of renames
    }
    for (const std::wstring& entry : entries) {
        if (entry.empty() || entry.find(L'\0') != std::wstring::npos) std::abort();
    }

    const bool pending = quorix::IsInstallationPending(ctx, kPackage);
    bool expected = false;
    for (const std::wstring& entry : entries) {
        for (const std::wstring& file : files) {
            if (quorix::PendingEntryNamesFile(entry, quorix::LongFileName(file))) expected = true;
        }
    }
    if (pending != expected) std::abort();
    // A plain file name taken from the first entry always matches it.
    if (multiString && !firstName.empty() && firstName.find(L'|') == std::wstring::npos &&
        !pending) {
        std::abort();
    }
    if (machine.core.ledger.OpenCount() != 0) std::abort();
    return 0;
}
