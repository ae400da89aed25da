// What the program shows and names, pinned to the published wording: the en-US catalog, the
// language table and the product codes of the language packs. The expected values are written
// out here, not taken from the program's own tables, so a typo in those tables fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bootstrap/installer_runs.h"
#include "support/sim_run.h"
#include "ui/language_catalog.h"

namespace quorix {
namespace {

using ui::MessageKey;

struct CatalogText {
    const char* key;
    MessageKey id;
    const wchar_t* enUs;
};

class EnUsCatalog : public ::testing::TestWithParam<CatalogText> {};

TEST_P(EnUsCatalog, HoldsThePublishedText) {
    ui::TextCatalog catalog;
    ui::BuildCatalog(catalog);
    EXPECT_EQ(std::wstring(ui::LookupText(catalog, GetParam().id, L"en-US")), GetParam().enUs);
    // en-GB has the en-US text for every key.
    EXPECT_EQ(std::wstring(ui::LookupText(catalog, GetParam().id, L"en-GB")), GetParam().enUs);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, EnUsCatalog,
    ::testing::Values(
        CatalogText{"DialogTitle", MessageKey::DialogTitle, L"Velora Quorix 2011 Installation"},
        CatalogText{"LanguageLabel", MessageKey::LanguageLabel, L"Language:"},
        CatalogText{"NextButton", MessageKey::NextButton, L"Next"},
        CatalogText{"CustomInstallation", MessageKey::CustomInstallation, L"Custom installation"},
        CatalogText{"WelcomeTitle", MessageKey::WelcomeTitle,
                    L"Welcome to the installation of Velora Quorix 2011"},
        CatalogText{"WelcomeAdvice", MessageKey::WelcomeAdvice,
                    L"Before installation, we recommend that you save all files and close all "
                    L"programs."},
        CatalogText{"OlderVersionInstalled", MessageKey::OlderVersionInstalled,
                    L"%s version %s is already installed. You must remove the existing version "
                    L"before you install %s version %s.\r\n\r\nWould you like to uninstall the "
                    L"existing version of %s?"},
        CatalogText{"AlreadyInstalled", MessageKey::AlreadyInstalled,
                    L"%s is already installed.\r\n\r\nWould you like to uninstall %s now?"},
        CatalogText{"NewerVersionInstalled", MessageKey::NewerVersionInstalled,
                    L"%s version %s cannot be installed because a more recent version of %s is "
                    L"already installed."},
        CatalogText{"PendingInstallation", MessageKey::PendingInstallation,
                    L"You cannot install %s because the installation of another Velora product "
                    L"is not completed yet. You need to restart your computer to complete the "
                    L"installation.\r\n\r\nWould you like to restart your computer now?"},
        CatalogText{"AutoRemovalNotice", MessageKey::AutoRemovalNotice,
                    L"Your currently installed version of Velora Quorix will be automatically "
                    L"removed."},
        CatalogText{"CancelConfirm", MessageKey::CancelConfirm,
                    L"Are you sure you want to cancel the installation of Velora Quorix 2011?"},
        CatalogText{"ReturnToPreviousNote", MessageKey::ReturnToPreviousNote,
                    L"You can easily return to your current version of Velora Quorix 2010 at a "
                    L"later stage by reinstalling it.\nVelora Quorix 2011 includes all functions "
                    L"of the previous version with additional brand new functions."}),
    [](const ::testing::TestParamInfo<CatalogText>& info) { return std::string(info.param.key); });

struct LanguageRow {
    std::size_t index;
    const wchar_t* code;
    const wchar_t* displayName;
    std::uint32_t flag;
};

class LanguageTableRows : public ::testing::TestWithParam<LanguageRow> {};

TEST_P(LanguageTableRows, HoldThePublishedCodeNameAndFlag) {
    const LanguageRow& row = GetParam();
    ASSERT_LT(row.index, ui::kLanguageCount);
    const ui::LanguageTableRow& actual = ui::LanguageTable[row.index];
    EXPECT_EQ(std::wstring(actual.localeCode), row.code);
    EXPECT_EQ(std::wstring(actual.displayName), row.displayName);
    EXPECT_EQ(actual.flagBitmapId, row.flag);
}

// zh-TW has no name or picture of its own: its code stands as the name, with the en-US flag.
INSTANTIATE_TEST_SUITE_P(
    Rows, LanguageTableRows,
    ::testing::Values(
        LanguageRow{0, L"da-DK", L"Dansk", 205}, LanguageRow{1, L"de-DE", L"Deutsch", 207},
        LanguageRow{2, L"en-GB", L"English", 215}, LanguageRow{3, L"en-US", L"English", 216},
        LanguageRow{4, L"es-ES", L"Espa\u00F1ol", 214},
        LanguageRow{5, L"fr-FR", L"Fran\u00E7ais", 206}, LanguageRow{6, L"it-IT", L"Italiano", 208},
        LanguageRow{7, L"ja-JP", L"\u65E5\u672C\u8A9E", 209},
        LanguageRow{8, L"ko-KR", L"\uD55C\uAD6D\uC5B4", 210},
        LanguageRow{9, L"nl-NL", L"Nederlands", 211}, LanguageRow{10, L"pl-PL", L"Polski", 212},
        LanguageRow{11, L"pt-BR", L"Portugu\u00EAs", 203},
        LanguageRow{12, L"ru-RU", L"\u0420\u0443\u0441\u0441\u043A\u0438\u0439", 213},
        LanguageRow{13, L"zh-CN", L"\u4E2D\u6587", 204}, LanguageRow{14, L"zh-TW", L"zh-TW", 216}));

// The sweep removes every present language pack, in the published order of their codes.
TEST(LanguagePackSweep, RemovesEveryPresentPackInThePublishedOrder) {
    const std::vector<std::wstring> published = {
        L"{907A70C3-1012-F037-B64C-E4228C38FB29}", L"{18F135D2-5F55-7203-3018-50C5A38FD547}",
        L"{923A7369-94E3-BF91-1A61-DBE22E44158B}", L"{AE97BA94-D0ED-A82F-8F6D-05584EF8AA38}",
        L"{92276658-1E27-A1C0-8A6A-63EC24EDE6A4}", L"{6B4CB242-4A23-D596-2217-BEADDBC496CB}",
        L"{8E81973E-0BEC-D7B0-3898-D190F9EBDACC}", L"{0CB1E29C-658C-DA14-95E6-0AF593BD04CF}",
        L"{0FD630F1-F29D-0DA9-953F-48F1A09F76B5}", L"{A170B338-3926-3059-F28C-105D1FB17C23}",
        L"{90C192CF-D3AC-94AF-0F21-DDB66CAD4A26}", L"{8D116ECE-1738-F7D9-3D9C-172411E20B8F}",
        L"{6B0D549B-6F03-675A-1600-A35A099950D8}", L"{36F675CC-81E7-4EF5-E8E2-5D940ED90475}",
        L"{9531985D-5D9D-C9F8-1818-E811892F902B}",
    };
    test::SimProcess process;
    for (const std::wstring& code : published) {
        process.machine.installer.AddProduct(code, kReleaseVersionText);
    }
    RemoveLanguagePacks(process.ctx, platform::kInstallUiLevelBasic);
    std::vector<std::wstring> removed;
    for (const auto& call : process.machine.installer.CallsOf("MsiConfigureProductW")) {
        removed.push_back(call.target);
    }
    EXPECT_EQ(removed, published);
    for (const std::wstring& code : published) {
        EXPECT_FALSE(process.machine.installer.IsInstalled(code));
    }
}

}  // namespace
}  // namespace quorix
