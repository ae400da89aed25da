// Finding the language packs in the executable, and the localized boxes that use them.
#include <gtest/gtest.h>

#include "core/release.h"
#include "support/product_machine.h"
#include "support/sim_run.h"
#include "ui/language_messages.h"
#include "ui/language_packs.h"

namespace quorix {
namespace {

using test::SimProcess;

std::vector<std::wstring> CodesFound(SimProcess& process) {
    EnumerateLanguagePacks(process.ctx);
    std::vector<std::wstring> codes;
    for (std::size_t i = 0; i < process.state.foundPacks.Size(); ++i) {
        codes.push_back(LocaleCodeAt(process.state.foundPacks, i));
    }
    return codes;
}

TEST(PackEnumeration, TakesOnlyNamesOfThePackForm) {
    SimProcess process;
    sim::SimResources& resources = process.machine.resources;
    resources.AddRcdata(L"MSI", {1});
    resources.AddRcdata(L"VLLANGPACK_EN_US", {1});
    resources.AddRcdata(L"VLLANGPACK_DE-DE", {1});   // hyphen separator accepted
    resources.AddRcdata(L"VLLANGPACK_FR_FRX", {1});  // 17 characters
    resources.AddRcdata(L"VLLANGPACK_XX_YY", {1});   // not in the language table
    resources.AddRcdata(L"VLLANGPACK_ZH_TW", {1});
    resources.AddResource(platform::kRtRcdata, platform::ResourceName::Id(7), {1});
    EXPECT_EQ(CodesFound(process), (std::vector<std::wstring>{L"de-DE", L"en-US", L"zh-TW"}));
    EXPECT_EQ(process.state.foundPacks.resourceName[0], L"VLLANGPACK_DE-DE");
}

TEST(PackEnumeration, PrefixIsComparedInCapitals) {
    // The resource compiler stores names in capitals; a name in any other case is not ours.
    FoundPackList packs;
    AddLanguagePackIfNamed(packs, platform::ResourceName::Text(L"vllangpack_EN_US"));
    AddLanguagePackIfNamed(packs, platform::ResourceName::Text(L"VLLANGPACK_en_us"));
    ASSERT_EQ(packs.Size(), 0u);  // country letters are taken as stored: "en-us" is no code
    AddLanguagePackIfNamed(packs, platform::ResourceName::Text(L"VLLANGPACK_en_US"));
    EXPECT_EQ(packs.Size(), 1u);  // the language letters are lower-cased either way
}

TEST(PackEnumeration, RunsOncePerProcess) {
    SimProcess process;
    process.machine.resources.AddRcdata(L"VLLANGPACK_EN_US", {1});
    EnumerateLanguagePacks(process.ctx);
    process.machine.resources.AddRcdata(L"VLLANGPACK_DE_DE", {1});
    EXPECT_EQ(CodesFound(process), std::vector<std::wstring>{L"en-US"});
}

TEST(PackEnumeration, FailureLeavesTheListEmptyButEnumerated) {
    SimProcess process;  // no RCDATA at all
    EnumerateLanguagePacks(process.ctx);
    EXPECT_TRUE(process.state.foundPacks.Empty());
    EXPECT_TRUE(process.state.foundPacks.enumerated);
}

TEST(SupportedLanguages, ListsEveryPackOnTheConsoleAndExitsZero) {
    SimProcess process;
    process.machine.resources.AddRcdata(L"VLLANGPACK_EN_US", {1});
    process.machine.resources.AddRcdata(L"VLLANGPACK_DA_DK", {1});
    process.machine.console.parentHasConsole = true;
    test::Ending ending = process.RunProgram({test::kProductExePath, L"/SupportedLang"});
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_EQ(process.machine.console.output, L"\n\nSupported languages:\n- da-DK\n- en-US\n");
}

TEST(SupportedLanguages, WithoutAConsoleTheRunGoesOn) {
    test::ProductMachine process;  // carries VLLANGPACK_EN_US
    test::Ending ending = process.RunProgram({test::kProductExePath, L"/supportedlang"});
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_TRUE(process.machine.console.output.empty());
    EXPECT_NE(process.BaseInstall(), nullptr);  // the installation followed
}

TEST(SupportedLanguages, NoPackIsAFatalErrorEvenWithoutAConsole) {
    SimProcess process;
    test::Ending ending = process.RunProgram({test::kProductExePath, L"/supportedlang"});
    EXPECT_EQ(ending.exitCode, 16389u);
    ASSERT_FALSE(process.machine.ui.boxes.empty());
    EXPECT_EQ(process.machine.ui.boxes.back().text, L"No language pack found16389");
}

class InstalledVersionMessage : public ::testing::Test {
protected:
    void SetUp() override {
        process.machine.resources.AddRcdata(L"VLLANGPACK_DE_DE", {1});
        process.machine.resources.AddRcdata(L"VLLANGPACK_EN_US", {1});
    }
    const sim::MessageBoxRecord& OnlyBox() {
        EXPECT_EQ(process.machine.ui.boxes.size(), 1u);
        return process.machine.ui.boxes.at(0);
    }
    SimProcess process;
};

TEST_F(InstalledVersionMessage, NewerReleaseIsInformationOnly) {
    EXPECT_EQ(ShowInstalledVersionMessage(process.ctx, kThisProductCode, 0), platform::kIdOk);
    const sim::MessageBoxRecord& box = OnlyBox();
    EXPECT_EQ(box.caption, L"Velora Quorix");
    EXPECT_EQ(box.style, 0x40u);
    EXPECT_EQ(box.text,
              L"Velora Quorix version " QUORIX_VERSION_WIDE_TEXT
              L" cannot be installed because a more recent version of Velora Quorix is already "
              L"installed.");
}

TEST_F(InstalledVersionMessage, OlderReleaseNamesTheInstalledVersion) {
    process.machine.installer.AddProduct(kThisProductCode, L"10.0.4400.0");
    process.machine.ui.answers = {platform::kIdNo};
    EXPECT_EQ(ShowInstalledVersionMessage(process.ctx, kThisProductCode, 1), platform::kIdNo);
    const sim::MessageBoxRecord& box = OnlyBox();
    EXPECT_EQ(box.style, 0x24u);
    EXPECT_EQ(box.text,
              L"Velora Quorix version 10.0.4400.0 is already installed. You must remove the "
              L"existing version before you install Velora Quorix version "
              QUORIX_VERSION_WIDE_TEXT L".\r\n\r\n"
              L"Would you like to uninstall the existing version of Velora Quorix?");
}

TEST_F(InstalledVersionMessage, SameReleaseAsksToUninstall) {
    EXPECT_EQ(ShowInstalledVersionMessage(process.ctx, kThisProductCode, 2), platform::kIdYes);
    EXPECT_EQ(OnlyBox().text,
              L"Velora Quorix is already installed.\r\n\r\nWould you like to uninstall Velora "
              L"Quorix now?");
}

TEST_F(InstalledVersionMessage, OtherKindsShowNothingAndSayYes) {
    EXPECT_EQ(ShowInstalledVersionMessage(process.ctx, kThisProductCode, 3), platform::kIdYes);
    EXPECT_TRUE(process.machine.ui.boxes.empty());
}

TEST_F(InstalledVersionMessage, SpeaksTheUsersLanguage) {
    process.machine.core.uiLanguage = 0x0407;
    ShowInstalledVersionMessage(process.ctx, kThisProductCode, 0);
    const std::wstring& text = OnlyBox().text;
    EXPECT_EQ(text.find(L"cannot be installed"), std::wstring::npos)
        << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(kReleaseVersionText), std::wstring::npos);
}

TEST(PendingInstallationQuestion, WarnsWithYesAndNo) {
    SimProcess process;
    process.machine.resources.AddRcdata(L"VLLANGPACK_EN_US", {1});
    process.machine.ui.answers = {platform::kIdNo};
    EXPECT_EQ(AskRestartForPendingInstallation(process.ctx), platform::kIdNo);
    ASSERT_EQ(process.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(process.machine.ui.boxes[0].style, 0x34u);
    EXPECT_EQ(process.machine.ui.boxes[0].caption, L"Velora Quorix");
    EXPECT_EQ(
        process.machine.ui.boxes[0].text.rfind(L"You cannot install Velora Quorix because", 0), 0u);
}

TEST(PendingInstallationQuestion, NoPackEndsLikeTheOtherCallers) {
    SimProcess process;
    test::Ending ending = process.Run([&] { AskRestartForPendingInstallation(process.ctx); });
    EXPECT_EQ(ending.exitCode, 16389u);
}

TEST(ResourceText, MissingIdGivesEmptyText) {
    SimProcess process;
    EXPECT_EQ(LoadResourceText(process.ctx, 999), L"");
}

}  // namespace
}  // namespace quorix
