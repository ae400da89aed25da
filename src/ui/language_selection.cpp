#include "ui/language_selection.h"

#include "common/text.h"
#include "core/parent_console.h"
#include "core/process_exit.h"
#include "ui/language_packs.h"

namespace quorix {

namespace {
constexpr std::size_t kLocaleInfoCapacity = 16;
const std::wstring kAll = L"all";
}  // namespace

std::wstring GetUserUiLocaleName(ProcessContext& ctx) {
    const std::uint32_t locale = ctx.os.system.GetUserDefaultUiLanguage();
    std::wstring language, country;
    if (!ctx.os.system.GetLocaleInfoText(locale, platform::kLocaleSIso639LangName,
                                         kLocaleInfoCapacity, &language)) {
        return std::wstring();
    }
    if (!ctx.os.system.GetLocaleInfoText(locale, platform::kLocaleSIso3166CtryName,
                                         kLocaleInfoCapacity, &country)) {
        return std::wstring();
    }
    return language + L"-" + country;
}

int FindLanguagePackByPrefix(const FoundPackList& packs, const std::wstring& text, std::size_t n) {
    for (std::size_t position = 0; position < packs.Size(); ++position) {
        const std::wstring code = LocaleCodeAt(packs, position);
        // Compared over at most n characters, stopping at the end of either text, as wcsncmp does.
        bool equal = true;
        for (std::size_t i = 0; i < n; ++i) {
            const wchar_t a = i < code.size() ? code[i] : L'\0';
            const wchar_t b = i < text.size() ? text[i] : L'\0';
            if (a != b) {
                equal = false;
                break;
            }
            if (a == L'\0') break;
        }
        if (equal) return static_cast<int>(position);
    }
    return -1;
}

int FindBestLanguage(ProcessContext& ctx) {
    const FoundPackList& packs = ctx.state.foundPacks;
    const std::wstring code = GetUserUiLocaleName(ctx);
    // An empty code would agree with every pack over "0 characters"; it must match nothing.
    if (!code.empty()) {
        int position = FindLanguagePackByPrefix(packs, code, 5);
        if (position >= 0) return position;
        position = FindLanguagePackByPrefix(packs, code, 2);
        if (position >= 0) return position;
    }
    int position = FindLanguagePackByPrefix(packs, L"en", 2);
    if (position >= 0) return position;
    position = FindLanguagePackByPrefix(packs, L"de", 2);
    if (position >= 0) return position;
    return 0;
}

namespace {

bool IsFoundCode(const FoundPackList& packs, const std::wstring& code) {
    for (std::size_t position = 0; position < packs.Size(); ++position) {
        if (LocaleCodeAt(packs, position) == code) return true;
    }
    return false;
}

[[noreturn]] void RejectLanguage(ProcessContext& ctx, const std::wstring& name) {
    if (AttachParentConsole(ctx)) {
        ctx.os.console.Write(
            FormatText(L"\nSpecified Language \"%s\" is not supported!\n", {name}));
    }
    // Released and the prompt redrawn whether or not a console was attached.
    DetachConsole(ctx);
    EndRun(ctx, ExitCode::Failure,
           {"the language \"", name, "\" named by /language is not in this setup"});
}

}  // namespace

std::vector<std::wstring> ResolveRequestedLanguagePacks(
    ProcessContext& ctx, const std::vector<std::wstring>& requested) {
    EnumerateLanguagePacks(ctx);
    const FoundPackList& packs = ctx.state.foundPacks;
    if (packs.Empty()) FatalErrorExit(ctx, kEFail, L"No language pack found");

    // Every name is checked before anything is resolved, also names after "all".
    for (const std::wstring& name : requested) {
        if (name != kAll && !IsFoundCode(packs, name)) RejectLanguage(ctx, name);
    }

    if (requested.empty()) return packs.resourceName;
    std::vector<std::wstring> names;
    for (const std::wstring& name : requested) {
        if (name == kAll) return packs.resourceName;
        for (std::size_t position = 0; position < packs.Size(); ++position) {
            if (LocaleCodeAt(packs, position) == name) {
                names.push_back(packs.resourceName[position]);
                break;
            }
        }
    }
    return names;
}

}  // namespace quorix
