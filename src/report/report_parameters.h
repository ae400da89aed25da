// The report query sent with every help page: what the machine and the installation are,
// gathered from the system, the registry and the program's own file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/process_state.h"

namespace quorix {

class ReportParameters {
public:
    ReportParameters(std::wstring productId, std::wstring sessionId, std::wstring versionText,
                     std::wstring languageCode);

    // Fills the values; a fact that cannot be found stays empty. Reads only, except that
    // looking up the installation GUID may finish the migration of an earlier release's.
    void Collect(ProcessContext& ctx);

    // "&key=value" for every parameter with a value, in the list's order. Built on the first
    // call and kept: later calls return that text even if values changed since.
    // With a budget, the text is at most `budget` characters long: the session list keeps the
    // newest records that fit, and a parameter that does not fit whole is left out, never cut.
    std::wstring QueryString(std::size_t budget = static_cast<std::size_t>(-1));

    // The stored (encoded) value of a key; empty for a key the list does not hold.
    std::wstring Value(const std::wstring& key) const;

private:
    void Set(const wchar_t* key, const std::wstring& encodedValue);
    void CollectOperatingSystem(ProcessContext& ctx);
    void CollectLanguages(ProcessContext& ctx);
    void CollectVersion(ProcessContext& ctx);
    void CollectProductLanguage(ProcessContext& ctx);
    void CollectInstallationGuid(ProcessContext& ctx);
    void CollectProduct(ProcessContext& ctx);
    void CollectSession(ProcessContext& ctx);
    void CollectSessionRecord(ProcessContext& ctx);
    void CollectSessionList(ProcessContext& ctx);

    std::wstring productId_;
    std::wstring sessionId_;
    std::wstring versionText_;
    std::wstring languageCode_;
    std::wstring releaseKey_;
    std::vector<std::pair<std::wstring, std::wstring>> parameters_;
    // The session records for "vl_sids" in enumeration order, each encoded, with its
    // "Install" time ("" when it has none) to tell the newest.
    struct SessionEntry {
        std::wstring encodedName;
        std::wstring installed;
    };
    std::vector<SessionEntry> sessions_;
    std::wstring query_;
    bool queryBuilt_ = false;
};

// "major.minor.build.revision" from dwFileVersionMS and dwFileVersionLS.
std::wstring FormatFileVersion(std::uint32_t ms, std::uint32_t ls);

// "de-AT": the ISO language and country names of a locale; nothing if either is unknown.
std::optional<std::wstring> LocaleTag(ProcessContext& ctx, std::uint32_t lcid);

// The two-letter code of the user's country; empty where the system cannot tell.
std::wstring UserCountryCode(ProcessContext& ctx);

}  // namespace quorix
