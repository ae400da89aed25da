// What the simulated file system tells about a file beyond its bytes: its times, and the
// initialization-file reader that looks inside it.
#include "common/result_codes.h"
#include "common/text.h"
#include "common/utf16.h"
#include "platform/sim/sim_files.h"

namespace quorix::sim {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& text) {
    std::size_t start = 0, end = text.size();
    while (start < end && IsBlank(text[start])) ++start;
    while (end > start && IsBlank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// The text of an initialization file: UTF-16LE after its byte-order mark, else one character
// per byte, as the profile reader takes an ANSI file whose texts are ASCII.
std::wstring ProfileText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return FromUtf16LeBytes(bytes.data() + 2, bytes.size() - 2);
    }
    return WidenAscii(std::string(bytes.begin(), bytes.end()));
}

// The value of `key` in `section`, as GetPrivateProfileStringW finds it: names compared
// without regard to letter case, blanks around names and values dropped, one pair of
// enclosing quotation marks removed.
bool FindProfileValue(const std::wstring& text, const std::wstring& section,
                      const std::wstring& key, std::wstring* value) {
    const std::wstring wantedSection = FoldKey(section);
    const std::wstring wantedKey = FoldKey(key);
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        line = Trim(line);
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            const std::size_t close = line.find(L']');
            inSection = close != std::wstring::npos &&
                        FoldKey(Trim(line.substr(1, close - 1))) == wantedSection;
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find(L'=');
        if (equals == std::wstring::npos || FoldKey(Trim(line.substr(0, equals))) != wantedKey) {
            continue;
        }
        std::wstring found = Trim(line.substr(equals + 1));
        if (found.size() >= 2 && (found[0] == L'"' || found[0] == L'\'') &&
            found.back() == found[0]) {
            found = found.substr(1, found.size() - 2);
        }
        *value = found;
        return true;
    }
    return false;
}

}  // namespace

bool SimFiles::SetLastWriteTime(const std::wstring& path, std::uint64_t fileTime) {
    auto it = files_.find(PathKey(path));
    if (it == files_.end()) return false;
    it->second.lastWriteTime = fileTime;
    return true;
}

bool SimFiles::GetAttributesEx(const std::wstring& path, platform::FileAttributeData* data) {
    if (core_.Failing("GetFileAttributesExW")) return false;
    const std::wstring key = PathKey(path);
    if (auto file = files_.find(key); file != files_.end()) {
        data->attributes =
            file->second.attributes == 0 ? platform::kFileAttributeNormal : file->second.attributes;
        data->creationTime = data->lastAccessTime = data->lastWriteTime =
            file->second.lastWriteTime;
        data->size = file->second.bytes.size();
        return true;
    }
    if (auto folder = folders_.find(key); folder != folders_.end()) {
        data->attributes = folder->second.attributes;
        data->creationTime = data->lastAccessTime = data->lastWriteTime = kDefaultFileTime;
        data->size = 0;
        return true;
    }
    const bool drive = key.size() == 2 && key[1] == L':';
    core_.lastError = drive || ParentExists(key) ? kErrorFileNotFound : 3;  // PATH_NOT_FOUND
    return false;
}

std::uint32_t SimFiles::ReadProfileString(const std::wstring& path, const std::wstring& section,
                                          const std::wstring& key, const std::wstring& fallback,
                                          std::uint32_t capacity, std::wstring* text) {
    if (core_.Failing("GetPrivateProfileStringW")) return 0;
    if (capacity == 0) return 0;
    std::wstring value = fallback;
    // A bare file name means the file of that name in the Windows folder, as the real call
    // reads it; only a path with a folder is taken as it stands.
    const bool bare = path.find_first_of(L"\\/:") == std::wstring::npos;
    const std::vector<std::uint8_t>* bytes =
        Contents(bare ? EnsureTrailingBackslash(windowsFolder) + path : path);
    if (bytes == nullptr) {
        core_.lastError = kErrorFileNotFound;
    } else if (!FindProfileValue(ProfileText(*bytes), section, key, &value)) {
        value = fallback;
    }
    if (value.size() >= capacity) value.resize(capacity - 1);
    *text = value;
    return static_cast<std::uint32_t>(value.size());
}

}  // namespace quorix::sim
