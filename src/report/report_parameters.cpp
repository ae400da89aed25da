#include "report/report_parameters.h"

#include <algorithm>

#include "common/result_codes.h"
#include "common/text.h"
#include "core/product_constants.h"
#include "core/registry_values.h"
#include "report/session_ids.h"
#include "report/url_encoding.h"

namespace quorix {

namespace {

// The query's keys in the order the link server reads them. "aid" stands before "vl_sid"
// although it is a copy of it.
const wchar_t* const kParameterKeys[] = {
    L"os_ver",     L"os_x64",   L"os_sp",       L"os_id",       L"os_suite",
    L"os_syslang", L"os_ulang", L"os_userlang", L"os_ucountry", L"os_usercountry",
    L"vl_version", L"version",  L"vl_lang",     L"vl_ighash",   L"vl_product",
    L"app",        L"aid",      L"vl_sid",      L"x-aid",       L"vl_sids",
    L"vl_ind",     L"vl_dod",
};

// Fixed buffers: 260 characters for paths, registry texts and names; 16 per locale field;
// 8 for the country code.
constexpr std::uint32_t kPathCapacity = 260;
constexpr std::uint32_t kRegistryTextBytes = 520;
constexpr std::uint32_t kSubkeyNameCapacity = 260;
constexpr std::size_t kLocaleFieldCapacity = 16;
constexpr std::size_t kCountryCodeCapacity = 8;

const wchar_t* const kProductFileName = L"VLProduct.dat";

// The edition code of Windows 2000, XP and Server 2003, from the version's product type,
// suite and the desktop features the system reports.
std::uint32_t LegacyEditionCode(ProcessContext& ctx, const platform::OsVersionInfo& version) {
    if (version.productType != platform::kVerNtWorkstation) return 0;
    std::uint32_t code = 4;
    if (version.suiteMask & platform::kVerSuitePersonal) {
        code = 1;
    } else if (version.suiteMask & platform::kVerSuiteEmbeddedNt) {
        code = 8;
    }
    platform::System& system = ctx.os.system;
    if (system.GetSystemMetric(platform::kSmMediaCenter) != 0) {
        code = 9;
    } else if (system.GetSystemMetric(platform::kSmTabletPc) != 0) {
        code = 7;
    } else if (system.GetSystemMetric(platform::kSmStarter) != 0) {
        code = 0;
    }
    return code;
}

// The program's own path, or nothing when it cannot be had whole.
std::optional<std::wstring> OwnModulePath(ProcessContext& ctx) {
    std::wstring path;
    const std::uint32_t count = ctx.os.files.GetOwnModulePath(kPathCapacity, &path);
    // A cut path names another file, or none: better no answer than a wrong one.
    if (count == 0 || count >= kPathCapacity) return std::nullopt;
    return path;
}

// A text value of a key below a root, as a 520-byte buffer takes it; empty when unreadable.
std::wstring ReadKeyText(ProcessContext& ctx, platform::RegistryKey root, const std::wstring& path,
                         const std::wstring& name, bool* readable = nullptr) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    std::wstring text;
    const bool read =
        registry.OpenKey(root, path, platform::kKeyRead, key.Receive()) == kErrorSuccess &&
        QueryBoundedText(registry, key.Get(), name, kRegistryTextBytes, &text);
    if (readable != nullptr) *readable = read;
    return read ? text : std::wstring();
}

}  // namespace

std::wstring FormatFileVersion(std::uint32_t ms, std::uint32_t ls) {
    return ToDecimal(ms >> 16) + L"." + ToDecimal(ms & 0xFFFFu) + L"." + ToDecimal(ls >> 16) +
           L"." + ToDecimal(ls & 0xFFFFu);
}

std::optional<std::wstring> LocaleTag(ProcessContext& ctx, std::uint32_t lcid) {
    std::wstring language, country;
    platform::System& system = ctx.os.system;
    if (!system.GetLocaleInfoText(lcid, platform::kLocaleSIso639LangName, kLocaleFieldCapacity,
                                  &language) ||
        !system.GetLocaleInfoText(lcid, platform::kLocaleSIso3166CtryName, kLocaleFieldCapacity,
                                  &country)) {
        return std::nullopt;
    }
    return language + L"-" + country;
}

std::wstring UserCountryCode(ProcessContext& ctx) {
    platform::System& system = ctx.os.system;
    std::int32_t geoId = platform::kGeoIdNotAvailable;
    if (!system.GetUserGeoId(platform::kGeoClassNation, &geoId) ||
        geoId == platform::kGeoIdNotAvailable) {
        return std::wstring();
    }
    std::wstring code;
    if (!system.GetGeoInfoText(geoId, platform::kGeoIso2, kCountryCodeCapacity, 0, &code)) {
        return std::wstring();
    }
    return code;
}

ReportParameters::ReportParameters(std::wstring productId, std::wstring sessionId,
                                   std::wstring versionText, std::wstring languageCode)
    : productId_(std::move(productId)),
      sessionId_(std::move(sessionId)),
      versionText_(std::move(versionText)),
      languageCode_(std::move(languageCode)),
      releaseKey_(kProductKeyPath) {
    for (const wchar_t* key : kParameterKeys) parameters_.emplace_back(key, std::wstring());
}

void ReportParameters::Set(const wchar_t* key, const std::wstring& encodedValue) {
    for (auto& [name, value] : parameters_) {
        if (name == key) {
            value = encodedValue;
            return;
        }
    }
}

std::wstring ReportParameters::Value(const std::wstring& key) const {
    for (const auto& [name, value] : parameters_) {
        if (name == key) return value;
    }
    return std::wstring();
}

std::wstring ReportParameters::QueryString(std::size_t budget) {
    if (queryBuilt_) return query_;
    queryBuilt_ = true;
    const std::wstring kSessionList = L"vl_sids";
    auto lengthOf = [](const std::wstring& key, const std::wstring& value) {
        return key.size() + value.size() + 2;  // "&key=value"
    };
    // Every other parameter first, in order, each whole or not at all.
    std::vector<bool> included(parameters_.size(), false);
    std::size_t used = 0;
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
        const auto& [key, value] = parameters_[i];
        if (key.empty() || value.empty() || key == kSessionList) continue;
        if (lengthOf(key, value) > budget - used) continue;
        included[i] = true;
        used += lengthOf(key, value);
    }
    // The session list gets what is left: the newest records first, listed in the order the
    // registry gave them.
    std::wstring sessionList;
    if (!sessions_.empty() && lengthOf(kSessionList, std::wstring()) < budget - used) {
        std::vector<std::size_t> newestFirst(sessions_.size());
        for (std::size_t i = 0; i < newestFirst.size(); ++i) newestFirst[i] = i;
        // Equal times keep the registry's order: the index decides them (std::sort with that
        // tie-break instead of std::stable_sort, whose buffered merge is 3 KiB of the product).
        std::sort(newestFirst.begin(), newestFirst.end(), [&](std::size_t a, std::size_t b) {
            const int order = sessions_[a].installed.compare(sessions_[b].installed);
            return order != 0 ? order > 0 : a < b;
        });
        const std::wstring separator = UrlEncode(L"|");
        std::size_t room = budget - used - lengthOf(kSessionList, std::wstring());
        std::vector<bool> chosen(sessions_.size(), false);
        bool first = true;
        for (std::size_t index : newestFirst) {
            const std::size_t cost =
                sessions_[index].encodedName.size() + (first ? 0 : separator.size());
            if (cost > room) continue;
            chosen[index] = true;
            room -= cost;
            first = false;
        }
        for (std::size_t i = 0; i < sessions_.size(); ++i) {
            if (!chosen[i]) continue;
            if (!sessionList.empty()) sessionList += separator;
            sessionList += sessions_[i].encodedName;
        }
    }
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
        const auto& [key, value] = parameters_[i];
        if (included[i]) {
            query_ += L"&" + key + L"=" + value;
        } else if (key == kSessionList && !value.empty() && !sessionList.empty()) {
            query_ += L"&" + key + L"=" + sessionList;
        }
    }
    return query_;
}

void ReportParameters::Collect(ProcessContext& ctx) {
    CollectOperatingSystem(ctx);
    CollectLanguages(ctx);
    CollectVersion(ctx);
    CollectProductLanguage(ctx);
    CollectInstallationGuid(ctx);
    CollectProduct(ctx);
    CollectSession(ctx);
    CollectSessionRecord(ctx);
    CollectSessionList(ctx);
}

void ReportParameters::CollectOperatingSystem(ProcessContext& ctx) {
    platform::System& system = ctx.os.system;
    platform::OsVersionInfo version;
    if (system.GetVersionInfo(&version)) {
        Set(L"os_ver",
            UrlEncode(ToDecimal(version.majorVersion) + L"." + ToDecimal(version.minorVersion) +
                      L"." + ToDecimal(version.buildNumber)));
        Set(L"os_sp", UrlEncode(ToDecimal(version.servicePackMajor) + L"." +
                                ToDecimal(version.servicePackMinor)));
        if (version.majorVersion <= 5) {
            Set(L"os_id", UrlEncode(ToDecimal(LegacyEditionCode(ctx, version))));
        } else {
            std::uint32_t type = 0;
            if (system.GetOsProductType(version.majorVersion, version.minorVersion,
                                        version.servicePackMajor, version.servicePackMinor,
                                        &type)) {
                Set(L"os_id", UrlEncode(ToDecimal(type)));
            }
        }
        Set(L"os_suite", UrlEncode(ToDecimal(version.suiteMask)));
    }
    const bool x64 =
        system.GetNativeProcessorArchitecture() == platform::kProcessorArchitectureAmd64;
    Set(L"os_x64", x64 ? L"1" : L"0");
}

void ReportParameters::CollectLanguages(ProcessContext& ctx) {
    if (auto tag = LocaleTag(ctx, ctx.os.system.GetSystemDefaultLocale())) {
        Set(L"os_syslang", UrlEncode(*tag));
    }
    if (auto tag = LocaleTag(ctx, ctx.os.system.GetUserDefaultLocale())) {
        const std::wstring encoded = UrlEncode(*tag);
        Set(L"os_ulang", encoded);
        Set(L"os_userlang", encoded);
    }
    const std::wstring country = UrlEncode(UserCountryCode(ctx));
    Set(L"os_ucountry", country);
    Set(L"os_usercountry", country);
}

void ReportParameters::CollectVersion(ProcessContext& ctx) {
    if (!versionText_.empty()) {
        const std::wstring encoded = UrlEncode(versionText_);
        Set(L"vl_version", encoded);
        Set(L"version", encoded);
        releaseKey_ = kProductKeyPath + versionText_.substr(0, versionText_.find(L'.')) + L".0";
        return;
    }
    std::uint32_t ms = 0, ls = 0;
    std::optional<std::wstring> path = OwnModulePath(ctx);
    if (!path || !ctx.os.system.GetFileVersionNumbers(*path, &ms, &ls)) return;
    versionText_ = FormatFileVersion(ms, ls);
    const std::wstring encoded = UrlEncode(versionText_);
    Set(L"vl_version", encoded);
    Set(L"version", encoded);
    releaseKey_ = kProductKeyPath + ToDecimal(ms >> 16) + L".0";
}

void ReportParameters::CollectProductLanguage(ProcessContext& ctx) {
    std::wstring language = languageCode_;
    // The installed product's own choice, the user's before the machine's.
    if (language.empty()) {
        language = ReadKeyText(ctx, platform::kHkeyCurrentUser, releaseKey_, L"UILanguage");
    }
    if (language.empty()) {
        language = ReadKeyText(ctx, platform::kHkeyLocalMachine, releaseKey_, L"UILanguage");
    }
    Set(L"vl_lang", UrlEncode(language));
}

void ReportParameters::CollectInstallationGuid(ProcessContext& ctx) {
    std::optional<platform::Guid> guid = ReadInstallationGuid(ctx);
    if (!guid) return;
    const std::array<std::uint8_t, 16> bytes = GuidBytesInTextOrder(*guid);
    // Already URL-safe: stored as it is.
    Set(L"vl_ighash", Base64UrlEncode(bytes.data(), bytes.size()));
}

void ReportParameters::CollectProduct(ProcessContext& ctx) {
    std::wstring product;
    if (!productId_.empty()) {
        FoldAsciiLowerInPlace(productId_);
        product = productId_;
    } else if (std::optional<std::wstring> path = OwnModulePath(ctx)) {
        // The product file lies beside the program; a path without a folder names none.
        const std::size_t slash = path->find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            const std::wstring file = path->substr(0, slash + 1) + kProductFileName;
            ctx.os.files.ReadProfileString(file, L"VersionInfo", L"VLAppId", L"", kPathCapacity,
                                           &product);
            FoldAsciiLowerInPlace(product);
        }
    }
    const std::wstring encoded = UrlEncode(product);
    Set(L"vl_product", encoded);
    Set(L"app", encoded);
}

void ReportParameters::CollectSession(ProcessContext& ctx) {
    if (sessionId_.empty()) {
        bool readable = false;
        std::wstring session =
            ReadKeyText(ctx, platform::kHkeyLocalMachine, releaseKey_, L"CurSID", &readable);
        // An empty "CurSID" is an answer too: "AID" is only the fallback for a missing one.
        if (!readable) {
            session = ReadKeyText(ctx, platform::kHkeyLocalMachine, releaseKey_, L"AID");
        }
        if (!session.empty()) sessionId_ = session;
    }
    const std::wstring encoded = UrlEncode(sessionId_);
    Set(L"vl_sid", encoded);
    Set(L"aid", encoded);
    Set(L"x-aid", encoded);
}

void ReportParameters::CollectSessionRecord(ProcessContext& ctx) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, kSessionRecordsPath + sessionId_,
                         platform::kKeyRead, key.Receive()) != kErrorSuccess) {
        return;
    }
    std::wstring text;
    if (QueryBoundedText(registry, key.Get(), L"Download", kRegistryTextBytes, &text)) {
        Set(L"vl_dod", UrlEncode(text));
    }
    text.clear();
    if (QueryBoundedText(registry, key.Get(), L"Install", kRegistryTextBytes, &text)) {
        Set(L"vl_ind", UrlEncode(text));
    }
}

void ReportParameters::CollectSessionList(ProcessContext& ctx) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, kSessionRecordsPath,
                         platform::kKeyEnumerateSubKeys, key.Receive()) != kErrorSuccess) {
        return;
    }
    std::wstring list;
    std::wstring name;
    for (std::uint32_t index = 0;
         registry.EnumKey(key.Get(), index, kSubkeyNameCapacity, &name) == kErrorSuccess; ++index) {
        list += L"|" + name;
        // When the record was made, so that a long list can keep its newest records.
        std::wstring installed;
        platform::UniqueRegistryKey record(registry);
        if (registry.OpenKey(platform::kHkeyLocalMachine, kSessionRecordsPath + name,
                             platform::kKeyRead, record.Receive()) == kErrorSuccess) {
            QueryBoundedText(registry, record.Get(), L"Install", kRegistryTextBytes, &installed);
        }
        sessions_.push_back(SessionEntry{UrlEncode(name), installed});
    }
    if (!list.empty()) Set(L"vl_sids", UrlEncode(list.substr(1)));
}

}  // namespace quorix
