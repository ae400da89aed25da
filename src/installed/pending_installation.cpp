#include "installed/pending_installation.h"

#include <algorithm>
#include <limits>
#include <new>

#include <boost/shared_array.hpp>

#include "common/result_codes.h"
#include "common/text.h"
#include "common/utf16.h"
#include "core/registry_values.h"
#include "platform/installer.h"
#include "platform/registry.h"

namespace quorix {

namespace {

constexpr const wchar_t* kFileNameQuery = L"SELECT FileName FROM File";
constexpr std::uint32_t kFileNameField = 1;

// The text of one field, sized by asking first. False when the field cannot be read.
bool ReadFieldText(platform::Installer& installer, platform::MsiHandle record, std::uint32_t field,
                   std::wstring* text) {
    // An empty buffer of no characters: msi.dll answers ERROR_MORE_DATA with the length.
    wchar_t probe[1] = {L'\0'};
    std::uint32_t length = 0;
    if (installer.RecordGetString(record, field, probe, &length) != kErrorMoreData) return false;
    if (length >= std::numeric_limits<std::uint32_t>::max()) return false;

    std::uint32_t capacity = length + 1;
    std::wstring buffer;
    try {
        buffer.assign(capacity, L'\0');
    } catch (const std::bad_alloc&) {
        return false;  // one name fewer to compare
    }
    if (installer.RecordGetString(record, field, &buffer[0], &capacity) != kErrorSuccess) {
        return false;
    }
    // Never past the buffer, whatever length the second answer reports.
    buffer.resize(std::min<std::size_t>(capacity, length));
    *text = CutAtTerminator(std::move(buffer));
    return true;
}

}  // namespace

std::wstring LongFileName(const std::wstring& fileTableName) {
    const std::size_t bar = fileTableName.find(L'|');
    return bar == std::wstring::npos ? fileTableName : fileTableName.substr(bar + 1);
}

bool PendingEntryNamesFile(const std::wstring& entry, const std::wstring& fileName) {
    if (fileName.empty()) return false;
    const std::size_t slash = entry.rfind(L'\\');
    const std::wstring_view last = slash == std::wstring::npos
                                       ? std::wstring_view(entry)
                                       : std::wstring_view(entry).substr(slash + 1);
    return EqualsIgnoringAsciiCase(last, fileName);
}

std::vector<std::wstring> SplitPendingRenames(const std::uint8_t* bytes, std::size_t size) {
    std::vector<std::wstring> entries;
    const std::wstring text = FromUtf16LeBytes(bytes, size);
    std::wstring current;
    for (wchar_t c : text) {
        if (c != L'\0') {
            current.push_back(c);
            continue;
        }
        // The empty target of a pending deletion, and the list's final terminator, add nothing.
        if (!current.empty()) entries.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty()) entries.push_back(std::move(current));
    return entries;
}

std::vector<std::wstring> ReadPackageFileNames(ProcessContext& ctx,
                                               const std::wstring& packagePath) {
    platform::Installer& installer = ctx.os.installer;
    std::vector<std::wstring> names;

    platform::UniqueMsiHandle database(installer);
    if (installer.OpenDatabase(packagePath, platform::kMsiDbOpenReadOnly, database.Receive()) !=
        kErrorSuccess) {
        return names;
    }
    platform::UniqueMsiHandle view(installer);
    if (installer.DatabaseOpenView(database.Get(), kFileNameQuery, view.Receive()) !=
            kErrorSuccess ||
        installer.ViewExecute(view.Get(), platform::kNullMsiHandle) != kErrorSuccess) {
        return names;
    }
    for (;;) {
        platform::UniqueMsiHandle record(installer);
        if (installer.ViewFetch(view.Get(), record.Receive()) != kErrorSuccess) break;
        std::wstring name;
        if (ReadFieldText(installer, record.Get(), kFileNameField, &name)) {
            // Of a "short|long" pair only the long name is ever a file on disk.
            names.push_back(LongFileName(name));
        }
    }
    return names;
}

std::vector<std::wstring> ReadPendingRenameEntries(ProcessContext& ctx) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, kSessionManagerKeyPath, platform::kKeyRead,
                         key.Receive()) != kErrorSuccess) {
        return {};
    }
    boost::shared_array<std::uint8_t> bytes;
    std::uint32_t size = 0;
    if (!QueryMultiStringValue(registry, key.Get(), kPendingRenamesValueName, &bytes, &size)) {
        return {};
    }
    return SplitPendingRenames(bytes.get(), size);
}

bool IsInstallationPending(ProcessContext& ctx, std::wstring packagePath) {
    // The current folder is where the setup was started from, typically a downloads folder
    // full of other files; for the rest of the run it is the Windows folder, so that nothing
    // that is looked up relative to it (libraries the installer loads, say) comes from there.
    std::wstring windowsFolder;
    const std::uint32_t length =
        ctx.os.files.GetWindowsFolder(kWindowsFolderCapacity, &windowsFolder);
    // A result past the buffer is the size a longer path would need, not a path.
    if (length != 0 && length < kWindowsFolderCapacity) {
        ctx.os.files.SetCurrentFolder(windowsFolder);
    }

    const std::vector<std::wstring> names = ReadPackageFileNames(ctx, packagePath);
    const std::vector<std::wstring> entries = ReadPendingRenameEntries(ctx);
    for (const std::wstring& entry : entries) {
        for (const std::wstring& name : names) {
            if (PendingEntryNamesFile(entry, name)) return true;
        }
    }
    return false;
}

}  // namespace quorix
