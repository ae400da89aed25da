// Language commands: which UI language Wine reports, which packs the probe's own resources hold,
// what the resource loader picks from the string table, and the installed-version box.
//   ui-locale                      the UI language id, its locale code, the automatic choice
//   packs                          the found packs in position order
//   load-string ID                 LoadStringW of our module in the loader's language
//   catalog-text KEY LOCALE        the catalog's unformatted text (the expected box text)
//   catalog LOCALE                 every key's text in that locale, one KEY=text line each
//   installed-version-message KIND the box; exit code = its answer
//   message-font-glyphs KEY LOCALE which face the message-box font resolves to, and how many
//                                  characters of the catalog text it has no glyph for
// Texts are printed with backslash, CR and LF escaped as \\, \r and \n, so that one text stays
// one line and compares with the string table's own spelling.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "common/text.h"
#include "probe.h"
#include "ui/language_catalog.h"
#include "ui/language_messages.h"
#include "ui/language_packs.h"
#include "ui/language_selection.h"

namespace quorix::probe {
namespace {

std::wstring Escaped(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\\') {
            out += L"\\\\";
        } else if (c == L'\r') {
            out += L"\\r";
        } else if (c == L'\n') {
            out += L"\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring Hex4(std::uint32_t value) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring out = L"0x";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
    return out;
}

// A whole decimal number or -1, so that a typo in a scenario is an error, not id 0.
long ParseNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 9) return -1;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return -1;
    }
    return std::wcstol(text.c_str(), nullptr, 10);
}

int UiLocale(ProcessContext& ctx, const std::vector<std::wstring>&) {
    Print(L"ui_language", Hex4(ctx.os.system.GetUserDefaultUiLanguage()));
    Print(L"ui_locale", GetUserUiLocaleName(ctx));
    EnumerateLanguagePacks(ctx);
    const int position = FindBestLanguage(ctx);
    Print(L"best_position", ToDecimal(static_cast<std::uint64_t>(position)));
    Print(L"best_locale", LocaleCodeAt(ctx.state.foundPacks, static_cast<std::size_t>(position)));
    return 0;
}

int Packs(ProcessContext& ctx, const std::vector<std::wstring>&) {
    EnumerateLanguagePacks(ctx);
    const FoundPackList& packs = ctx.state.foundPacks;
    Print(L"count", ToDecimal(packs.Size()));
    for (std::size_t position = 0; position < packs.Size(); ++position) {
        Print(L"pack", LocaleCodeAt(packs, position) + L" " + packs.resourceName[position]);
    }
    return 0;
}

int LoadStringCommand(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    const long id = args.size() == 1 ? ParseNumber(args[0]) : -1;
    if (id < 0 || id > 0xFFFF) return 2;
    const std::wstring text = LoadResourceText(ctx, static_cast<std::uint32_t>(id));
    Print(L"length", ToDecimal(text.size()));
    Print(L"text", Escaped(text));
    return 0;
}

struct KeyName {
    const wchar_t* name;
    ui::MessageKey key;
};

const KeyName kKeyNames[] = {
    {L"DialogTitle", ui::MessageKey::DialogTitle},
    {L"LanguageLabel", ui::MessageKey::LanguageLabel},
    {L"NextButton", ui::MessageKey::NextButton},
    {L"CustomInstallation", ui::MessageKey::CustomInstallation},
    {L"WelcomeTitle", ui::MessageKey::WelcomeTitle},
    {L"WelcomeAdvice", ui::MessageKey::WelcomeAdvice},
    {L"OlderVersionInstalled", ui::MessageKey::OlderVersionInstalled},
    {L"AlreadyInstalled", ui::MessageKey::AlreadyInstalled},
    {L"NewerVersionInstalled", ui::MessageKey::NewerVersionInstalled},
    {L"PendingInstallation", ui::MessageKey::PendingInstallation},
    {L"AutoRemovalNotice", ui::MessageKey::AutoRemovalNotice},
    {L"CancelConfirm", ui::MessageKey::CancelConfirm},
    {L"ReturnToPreviousNote", ui::MessageKey::ReturnToPreviousNote},
};

// The catalog text for "KEY LOCALE", or null when the key has no such name.
const wchar_t* CatalogTextFor(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    if (args.size() != 2) return nullptr;
    for (const KeyName& entry : kKeyNames) {
        if (args[0] != entry.name) continue;
        ui::BuildCatalog(ctx.state.catalog);
        return ui::LookupText(ctx.state.catalog, entry.key, args[1]);
    }
    return nullptr;
}

int CatalogText(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    const wchar_t* text = CatalogTextFor(ctx, args);
    if (text == nullptr) return 2;
    Print(L"text", Escaped(text));
    return 0;
}

int Catalog(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    if (args.size() != 1) return 2;
    ui::BuildCatalog(ctx.state.catalog);
    for (const KeyName& entry : kKeyNames) {
        const wchar_t* text = ui::LookupText(ctx.state.catalog, entry.key, args[0]);
        if (text == nullptr) return 2;
        Print(entry.name, Escaped(text));
    }
    return 0;
}

// A message box draws its text in the non-client metrics' message font; when no installed
// face has the script's glyphs, the text comes out as boxes. GetGlyphIndicesW tells which
// characters the font (with the faces Wine links to it) cannot draw.
int MessageFontGlyphs(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    const wchar_t* text = CatalogTextFor(ctx, args);
    if (text == nullptr) return 2;
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 3;
    HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (font == nullptr || dc == nullptr) {
        if (font != nullptr) ::DeleteObject(font);
        if (dc != nullptr) ::DeleteDC(dc);
        return 3;
    }
    HGDIOBJ previous = ::SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);

    std::wstring visible;
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        if (*c >= 0x20) visible += *c;
    }
    std::vector<WORD> glyphs(visible.size() + 1, 0);
    const DWORD converted =
        ::GetGlyphIndicesW(dc, visible.c_str(), static_cast<int>(visible.size()), glyphs.data(),
                           GGI_MARK_NONEXISTING_GLYPHS);
    std::size_t missing = 0;
    for (std::size_t i = 0; i < visible.size(); ++i) {
        if (glyphs[i] == 0xFFFF) ++missing;
    }
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    ::DeleteObject(font);
    if (converted == GDI_ERROR) return 3;

    Print(L"requested_face", metrics.lfMessageFont.lfFaceName);
    Print(L"face", face);
    Print(L"characters", ToDecimal(visible.size()));
    Print(L"missing", ToDecimal(missing));
    return 0;
}

int InstalledVersionMessage(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    const long kind = args.size() == 1 ? ParseNumber(args[0]) : -1;
    if (kind < 0) return 2;
    const int answer =
        ShowInstalledVersionMessage(ctx, ctx.state.installedProductCode, static_cast<int>(kind));
    Print(L"result", ToDecimal(static_cast<std::uint64_t>(answer)));
    return answer;
}

const Registration kUiLocale(L"ui-locale", L"", UiLocale);
const Registration kPacks(L"packs", L"", Packs);
const Registration kLoadString(L"load-string", L"ID", LoadStringCommand);
const Registration kCatalogText(L"catalog-text", L"KEY LOCALE", CatalogText);
const Registration kCatalog(L"catalog", L"LOCALE", Catalog);
const Registration kMessageFontGlyphs(L"message-font-glyphs", L"KEY LOCALE", MessageFontGlyphs);
const Registration kInstalledVersionMessage(L"installed-version-message", L"KIND",
                                            InstalledVersionMessage);

}  // namespace
}  // namespace quorix::probe
