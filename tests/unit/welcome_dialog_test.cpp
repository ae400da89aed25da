// The welcome dialog: layout, notice, fonts, texts, colours and what the user's actions do,
// run through the simulated dialog host.
#include <gtest/gtest.h>

#include <cwctype>
#include <fstream>
#include <regex>
#include <sstream>

#include "common/result_codes.h"
#include "support/product_resources.h"
#include "support/sim_run.h"
#include "ui/language_catalog.h"
#include "ui/welcome_dialog.h"
#include "ui/welcome_layout.h"

namespace quorix {
namespace {

using sim::DialogAction;
using test::Ending;
using test::SimProcess;

const std::vector<std::uint8_t> kPackBytes = {0xD0, 0xCF, 0x11, 0xE0, 1, 2, 3};

std::wstring ResourceNameOf(const std::wstring& code) {
    std::wstring name = L"VLLANGPACK_" + code;
    name[13] = L'_';
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    return name;
}

std::size_t TableIndexOf(const std::wstring& code) {
    for (std::size_t i = 0; i < ui::kLanguageCount; ++i) {
        if (code == ui::LanguageTable[i].localeCode) return i;
    }
    return ui::kLanguageCount;
}

const wchar_t* Text(const std::wstring& code, ui::MessageKey key) {
    return ui::TextsForLanguage(TableIndexOf(code))[static_cast<std::size_t>(key)];
}

struct WelcomeProcess : SimProcess {
    explicit WelcomeProcess(const std::vector<const wchar_t*>& codes = {L"en-US"}) {
        machine.resources.AddRcdata(L"MSI", {1});
        for (const wchar_t* code : codes) {
            std::vector<std::uint8_t> bytes = kPackBytes;
            bytes.push_back(static_cast<std::uint8_t>(TableIndexOf(code)));
            machine.resources.AddRcdata(ResourceNameOf(code), bytes);
        }
    }

    Ending Show(ConfigureAction mode = NotInstalled) {
        return Run([&] { choice = ShowWelcomeDialog(ctx, mode); });
    }
    const sim::SimDialogRecord& Dialog() const { return machine.dialogs.shown.at(0); }
    const sim::SimControl& Control(int id) const { return Dialog().Control(id); }

    WelcomeChoice choice;
};

// ---------------------------------------------------------------- the template

// The test support hands the simulated host template 101 from its own table; it must be the
// one the executable carries, or every test below checks a different dialog.
TEST(WelcomeTemplate, TheSimulatedTemplateIsTheOneTheExecutableCarries) {
    std::string path = __FILE__;
    path = path.substr(0, path.rfind("tests/unit/")) + "src/ui/resources/welcome.rc";
    std::ifstream file(path);
    ASSERT_TRUE(file.good()) << path;
    std::stringstream content;
    content << file.rdbuf();
    const std::string rc = content.str();

    const sim::SimDialogTemplate expected = test::WelcomeDialogTemplate();
    EXPECT_NE(rc.find("WELCOME_DIALOG DIALOGEX 0, 0, 333, 223"), std::string::npos);
    EXPECT_NE(rc.find("STYLE 0x80C808C8"), std::string::npos);
    EXPECT_NE(rc.find("EXSTYLE 0\n"), std::string::npos);
    EXPECT_NE(rc.find("FONT 8, \"MS Shell Dlg\", 0, 0, 0"), std::string::npos);
    EXPECT_NE(rc.find("#include \"resource_ids.h\""), std::string::npos);
    EXPECT_EQ(test::ResourceId("WELCOME_DIALOG"), 101);

    const std::regex control(
        R"re(CONTROL [^,]+, (\w+), "(\w+)", 0x([0-9A-F]{8})( \| NOT WS_VISIBLE)?, )re"
        R"re((\d+), (\d+), (\d+), (\d+)\s*\n)re");
    std::vector<sim::SimControlTemplate> found;
    for (auto it = std::sregex_iterator(rc.begin(), rc.end(), control);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        const auto style = static_cast<std::uint32_t>(std::stoul(m[3], nullptr, 16));
        // Without NOT WS_VISIBLE the resource compiler makes every control visible.
        EXPECT_EQ(m[4].matched, (style & sim::kWsVisible) == 0) << m[0];
        const std::string name = m[2];
        found.push_back({static_cast<int>(test::ResourceId(m[1])),
                         std::wstring(name.begin(), name.end()), style, std::stoi(m[5]),
                         std::stoi(m[6]), std::stoi(m[7]), std::stoi(m[8]), L""});
    }
    ASSERT_EQ(found.size(), expected.controls.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const sim::SimControlTemplate& a = found[i];
        const sim::SimControlTemplate& b = expected.controls[i];
        EXPECT_EQ(a.id, b.id) << "tab position " << i;
        EXPECT_EQ(a.className, b.className) << a.id;
        EXPECT_EQ(a.style, b.style) << a.id;
        EXPECT_EQ(std::vector<int>({a.x, a.y, a.width, a.height}),
                  std::vector<int>({b.x, b.y, b.width, b.height}))
            << a.id;
    }
}

// ---------------------------------------------------------------- layout

struct LayoutCase {
    const char* name;
    std::vector<const wchar_t*> packs;
    std::vector<int> visible;
    std::vector<int> hidden;
};

class WelcomeLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(WelcomeLayout, ShowsTheSelectorOnlyWithAChoice) {
    const LayoutCase& c = GetParam();
    WelcomeProcess p(c.packs);
    ASSERT_FALSE(p.Show().exitedProcess);
    for (int id : c.visible) EXPECT_TRUE(p.Control(id).visible) << id;
    for (int id : c.hidden) EXPECT_FALSE(p.Control(id).visible) << id;
    // The notice belongs to mode 3 only.
    for (int id : {ui::kNoticePanel, ui::kNoticePicture, ui::kNoticeText}) {
        EXPECT_FALSE(p.Control(id).visible) << id;
        EXPECT_EQ(p.Dialog().ParentIdOf(id), 0) << id;
    }
    EXPECT_TRUE(p.Dialog().drawings.empty());
    EXPECT_FALSE(p.Dialog().stuck);
}

INSTANTIATE_TEST_SUITE_P(
    PackCounts, WelcomeLayout,
    ::testing::Values(LayoutCase{"OnePackHeadlineAndAdviceMoveUp",
                                 {L"en-US"},
                                 {ui::kHeadlineAlone, ui::kAdviceAlone, ui::kNextButton,
                                  ui::kCustomInstallationBox, ui::kBanner},
                                 {ui::kHeadlineWithSelector, ui::kAdviceWithSelector,
                                  ui::kLanguageCombo, ui::kLanguageLabel}},
                      LayoutCase{
                          "TwoPacksSelectorAtTheTop",
                          {L"de-DE", L"en-US"},
                          {ui::kHeadlineWithSelector, ui::kAdviceWithSelector, ui::kLanguageCombo,
                           ui::kLanguageLabel, ui::kNextButton, ui::kCustomInstallationBox},
                          {ui::kHeadlineAlone, ui::kAdviceAlone}}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(WelcomeDialog, OnePackIsChosenWithNextAndExtracted) {
    WelcomeProcess p;
    ASSERT_FALSE(p.Show().exitedProcess);
    EXPECT_EQ(p.Dialog().result, 0);
    EXPECT_EQ(p.choice.localeCode, L"en-US");
    const auto* contents = p.machine.files.Contents(p.choice.languagePackFile);
    ASSERT_NE(contents, nullptr) << p.choice.languagePackFile;
    std::vector<std::uint8_t> expected = kPackBytes;
    expected.push_back(static_cast<std::uint8_t>(TableIndexOf(L"en-US")));
    EXPECT_EQ(*contents, expected);
    EXPECT_EQ(p.state.welcomeMode, 1);
}

TEST(WelcomeDialog, TheSelectorListsEveryPackWithItsFlagAndPreselectsTheBest) {
    WelcomeProcess p({L"de-DE", L"en-US", L"ja-JP"});
    p.machine.core.uiLanguage = 0x0411;  // Japanese Windows
    ASSERT_FALSE(p.Show().exitedProcess);
    const sim::SimControl& combo = p.Control(ui::kLanguageCombo);
    ASSERT_EQ(combo.items.size(), 3u);
    const std::vector<std::wstring> names = {L"Deutsch", L"English", L"日本語"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(combo.items[i].text, names[i]);
        EXPECT_EQ(combo.items[i].image, i);
        EXPECT_EQ(combo.items[i].selectedImage, i);
    }
    EXPECT_EQ(p.Dialog().firstSelection, 2);
    const sim::SimDialogs::GdiObject* list = p.machine.dialogs.ImageListOf(combo);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(std::vector<int>({list->width, list->listHeight, list->initial, list->grow}),
              std::vector<int>({16, 14, 15, 0}));
    EXPECT_EQ(list->flags, 0x18u);
    EXPECT_EQ(list->bitmapIds, (std::vector<std::uint32_t>{207, 216, 209}));
    EXPECT_EQ(p.choice.localeCode, L"ja-JP");
}

// ---------------------------------------------------------------- the notice

TEST(WelcomeNotice, PreviousGenerationModeMovesPictureAndTextIntoThePanel) {
    WelcomeProcess p;
    ASSERT_FALSE(p.Show(PreviousGenerationInstalled).exitedProcess);
    const sim::SimDialogRecord& dialog = p.Dialog();
    EXPECT_TRUE(p.Control(ui::kNoticePanel).visible);
    EXPECT_TRUE(p.Control(ui::kNoticePicture).visible);
    EXPECT_FALSE(p.Control(ui::kNoticeText).visible);  // painted by the panel instead
    EXPECT_EQ(dialog.ParentIdOf(ui::kNoticePicture), ui::kNoticePanel);
    EXPECT_EQ(dialog.ParentIdOf(ui::kNoticeText), ui::kNoticePanel);
    EXPECT_EQ(p.Control(ui::kNoticeText).text, Text(L"en-US", ui::MessageKey::AutoRemovalNotice));

    ASSERT_EQ(dialog.drawings.size(), 2u);
    const sim::SimDrawing& frame = dialog.drawings[0];
    EXPECT_EQ(frame.kind, sim::SimDrawing::Kind::Rectangle);
    EXPECT_EQ(frame.rect,
              (platform::Rect{0, 0, sim::SimDialogs::PixelsX(190), sim::SimDialogs::PixelsY(45)}));
    EXPECT_EQ(frame.brushColor, std::optional<platform::ColorRef>(0x00C0FFFF));
    EXPECT_EQ(frame.penColor, std::optional<platform::ColorRef>(0x0045EDF8));
    EXPECT_EQ(frame.penWidth, 1);

    const sim::SimDrawing& text = dialog.drawings[1];
    EXPECT_EQ(text.kind, sim::SimDrawing::Kind::Text);
    EXPECT_EQ(text.text, Text(L"en-US", ui::MessageKey::AutoRemovalNotice));
    EXPECT_EQ(text.format, 0x810u);
    EXPECT_EQ(text.backgroundMode, platform::kTransparent);
    // 1014's own place, now counted from the panel's corner.
    EXPECT_EQ(text.rect, (platform::Rect{sim::SimDialogs::PixelsX(30), sim::SimDialogs::PixelsY(5),
                                         sim::SimDialogs::PixelsX(30 + 155),
                                         sim::SimDialogs::PixelsY(5 + 20)}));
}

TEST(WelcomeNotice, TheNoticeFollowsTheChosenLanguage) {
    WelcomeProcess p({L"de-DE", L"en-US"});
    p.machine.dialogs.script = {DialogAction::Select(0), DialogAction::Next()};
    ASSERT_FALSE(p.Show(PreviousGenerationInstalled).exitedProcess);
    EXPECT_EQ(p.Control(ui::kNoticeText).text, Text(L"de-DE", ui::MessageKey::AutoRemovalNotice));
    EXPECT_EQ(p.Dialog().drawings.back().text, Text(L"de-DE", ui::MessageKey::AutoRemovalNotice));
    // One brush and one pen for every paint of the panel.
    EXPECT_EQ(p.machine.dialogs.CountKept("brush"), 1u);
    EXPECT_EQ(p.machine.dialogs.CountKept("pen"), 1u);
}

// ---------------------------------------------------------------- fonts

struct FontCase {
    int dpi;
    int large;
    int small;
};

class WelcomeFonts : public ::testing::TestWithParam<FontCase> {};

TEST_P(WelcomeFonts, HeightsFollowTheScreenResolution) {
    const FontCase& c = GetParam();
    WelcomeProcess p;
    p.machine.dialogs.dpi = c.dpi;
    ASSERT_FALSE(p.Show().exitedProcess);
    for (int id : {ui::kHeadlineWithSelector, ui::kHeadlineAlone}) {
        EXPECT_EQ(p.Control(id).fontHeight, c.large) << id;
        EXPECT_EQ(p.Control(id).fontFace, L"Segoe UI") << id;
    }
    for (int id : {ui::kAdviceWithSelector, ui::kAdviceAlone, ui::kLanguageCombo, ui::kNextButton,
                   ui::kCustomInstallationBox, ui::kLanguageLabel}) {
        EXPECT_EQ(p.Control(id).fontHeight, c.small) << id;
    }
    EXPECT_EQ(p.Control(ui::kBanner).font, platform::kNullHandle);
}

INSTANTIATE_TEST_SUITE_P(Dpi, WelcomeFonts,
                         ::testing::Values(FontCase{96, -16, -11}, FontCase{120, -20, -14},
                                           FontCase{144, -24, -16}),
                         [](const ::testing::TestParamInfo<FontCase>& info) {
                             return "Dpi" + std::to_string(info.param.dpi);
                         });

TEST(WelcomeFontsFallback, AScreenWithoutAnAnswerGetsTheUsualResolution) {
    WelcomeProcess p;
    p.machine.core.faults.Fail("GetDC", 8);
    ASSERT_FALSE(p.Show().exitedProcess);
    EXPECT_EQ(p.Control(ui::kHeadlineAlone).fontHeight, -16);
    EXPECT_EQ(p.Control(ui::kAdviceAlone).fontHeight, -11);
}

// ---------------------------------------------------------------- texts and colours

void ExpectTextsOf(const WelcomeProcess& p, const std::wstring& code) {
    using ui::MessageKey;
    EXPECT_EQ(p.Dialog().caption, Text(code, MessageKey::DialogTitle)) << code;
    EXPECT_EQ(p.Control(ui::kNextButton).text,
              std::wstring(Text(code, MessageKey::NextButton)) + L" >");
    EXPECT_EQ(p.Control(ui::kCustomInstallationBox).text,
              Text(code, MessageKey::CustomInstallation));
    for (int id : {ui::kHeadlineWithSelector, ui::kHeadlineAlone}) {
        EXPECT_EQ(p.Control(id).text, Text(code, MessageKey::WelcomeTitle)) << id;
    }
    for (int id : {ui::kAdviceWithSelector, ui::kAdviceAlone}) {
        EXPECT_EQ(p.Control(id).text, Text(code, MessageKey::WelcomeAdvice)) << id;
    }
    EXPECT_EQ(p.Control(ui::kLanguageLabel).text, Text(code, MessageKey::LanguageLabel));
}

TEST(WelcomeTexts, StartInTheAutomaticLanguage) {
    WelcomeProcess p({L"de-DE", L"en-US"});
    p.machine.core.uiLanguage = 0x0407;
    ASSERT_FALSE(p.Show().exitedProcess);
    ExpectTextsOf(p, L"de-DE");
    EXPECT_EQ(p.Dialog().paints, 1);
}

TEST(WelcomeTexts, ChoosingAnotherLanguageRetextsAndRepaintsAtOnce) {
    WelcomeProcess p({L"de-DE", L"en-US"});
    p.machine.core.uiLanguage = 0x0407;
    p.machine.dialogs.script = {DialogAction::Select(1), DialogAction::Next()};
    ASSERT_FALSE(p.Show().exitedProcess);
    ExpectTextsOf(p, L"en-US");
    EXPECT_EQ(p.Control(ui::kNextButton).text, L"Next >");
    EXPECT_EQ(p.Dialog().paints, 2);
    EXPECT_TRUE(p.Dialog().erasedOnInvalidate);
    // Closing the list hands the keyboard to Next.
    EXPECT_EQ(p.Dialog().focusId, ui::kNextButton);
    EXPECT_EQ(p.choice.localeCode, L"en-US");
}

TEST(WelcomeColours, HeadlinesAreBlueAndTheTextsLetTheBannerShowThrough) {
    WelcomeProcess p({L"de-DE", L"en-US"});
    ASSERT_FALSE(p.Show().exitedProcess);
    const sim::SimColouring* headline = p.Dialog().ColouringOf(ui::kHeadlineWithSelector);
    ASSERT_NE(headline, nullptr);
    EXPECT_TRUE(headline->hollowBrush);
    EXPECT_EQ(headline->textColor, std::optional<platform::ColorRef>(0x009A3300));
    for (int id : {ui::kAdviceWithSelector, ui::kLanguageLabel}) {
        const sim::SimColouring* colouring = p.Dialog().ColouringOf(id);
        ASSERT_NE(colouring, nullptr) << id;
        EXPECT_TRUE(colouring->hollowBrush) << id;
        EXPECT_FALSE(colouring->textColor.has_value()) << id;
    }
    const sim::SimColouring* banner = p.Dialog().ColouringOf(ui::kBanner);
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->brush, platform::kNullHandle);
    EXPECT_FALSE(banner->textColor.has_value());
}

TEST(WelcomeColours, TheLoneHeadlineIsBlueToo) {
    WelcomeProcess p;
    ASSERT_FALSE(p.Show().exitedProcess);
    const sim::SimColouring* headline = p.Dialog().ColouringOf(ui::kHeadlineAlone);
    ASSERT_NE(headline, nullptr);
    EXPECT_EQ(headline->textColor, std::optional<platform::ColorRef>(0x009A3300));
    EXPECT_EQ(p.Dialog().ColouringOf(ui::kHeadlineWithSelector), nullptr);  // hidden
}

// ---------------------------------------------------------------- cancel

struct CancelCase {
    const char* name;
    std::uint32_t installedMajorVersion;
    bool withNote;
    bool opensPage;  // whether the cancellation page applies to the installed version
};

class WelcomeCancel : public ::testing::TestWithParam<CancelCase> {};

TEST_P(WelcomeCancel, YesAsksInTheAutomaticLanguageAndEndsWithOne) {
    const CancelCase& c = GetParam();
    WelcomeProcess p({L"de-DE", L"en-US"});
    p.machine.core.uiLanguage = 0x0407;
    p.state.installedMajorVersion = c.installedMajorVersion;
    // The user picks English first: the question still speaks German.
    p.machine.dialogs.script = {DialogAction::Select(1), DialogAction::Tick(1004),
                                DialogAction::Cancel()};
    p.machine.ui.answers = {platform::kIdYes};
    const Ending ending = p.Show();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);

    ASSERT_EQ(p.machine.ui.boxes.size(), 1u);
    const sim::MessageBoxRecord& box = p.machine.ui.boxes[0];
    std::wstring expected = Text(L"de-DE", ui::MessageKey::CancelConfirm);
    if (c.withNote)
        expected += L"\n\n" + std::wstring(Text(L"de-DE", ui::MessageKey::ReturnToPreviousNote));
    EXPECT_EQ(box.text, expected);
    EXPECT_EQ(box.caption, std::wstring(Text(L"de-DE", ui::MessageKey::DialogTitle)));
    EXPECT_EQ(box.style, 0x24u);
    EXPECT_EQ(box.owner, p.Dialog().window);

    EXPECT_EQ(p.Dialog().result, -1);
    EXPECT_FALSE(p.state.customInstallationRequested);
    bool opened = false;
    for (const std::wstring& file : p.machine.shell.OpenedFiles()) {
        opened = opened || file.find(L"target=cancelationduringupgrade") != std::wstring::npos;
    }
    EXPECT_EQ(opened, c.opensPage);
    // Nothing extracted: the run ends before the language pack is written.
    EXPECT_TRUE(p.machine.files.FilesIn(p.machine.files.tempFolder).empty());
}

INSTANTIATE_TEST_SUITE_P(
    InstalledVersions, WelcomeCancel,
    ::testing::Values(CancelCase{"NothingInstalled", 0, false, false},
                      CancelCase{"PreviousGeneration", 9, true, true},
                      CancelCase{"OlderThanThePreviousGeneration", 8, false, false},
                      CancelCase{"ThisGeneration", 10, false, true}),
    [](const ::testing::TestParamInfo<CancelCase>& info) { return std::string(info.param.name); });

TEST(WelcomeCancelDeclined, NoLeavesTheDialogOpenAndChangesNothing) {
    WelcomeProcess p({L"de-DE", L"en-US"});
    p.state.installedMajorVersion = 9;
    p.machine.dialogs.script = {DialogAction::Cancel(), DialogAction::Cancel(),
                                DialogAction::Next()};
    p.machine.ui.answers = {platform::kIdNo, platform::kIdNo};
    const Ending ending = p.Show();
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(p.machine.ui.boxes.size(), 2u);
    EXPECT_TRUE(p.machine.shell.executed.empty());
    EXPECT_EQ(p.Dialog().result, 1);  // en-US, the automatic choice on this machine
    EXPECT_EQ(p.choice.localeCode, L"en-US");
}

// ---------------------------------------------------------------- custom installation

struct CustomCase {
    const char* name;
    std::vector<DialogAction> script;
    bool expected;
};

class WelcomeCustomInstallation : public ::testing::TestWithParam<CustomCase> {};

TEST_P(WelcomeCustomInstallation, IsRequestedOnlyWhenTickedAsNextIsPressed) {
    const CustomCase& c = GetParam();
    WelcomeProcess p;
    p.machine.dialogs.script = c.script;
    ASSERT_FALSE(p.Show().exitedProcess);
    EXPECT_EQ(p.state.customInstallationRequested, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, WelcomeCustomInstallation,
    ::testing::Values(CustomCase{"Ticked", {DialogAction::Tick(1004), DialogAction::Next()}, true},
                      CustomCase{"NotTicked", {DialogAction::Next()}, false},
                      CustomCase{"TickedAndUnticked",
                                 {DialogAction::Tick(1004), DialogAction::Tick(1004),
                                  DialogAction::Next()},
                                 false}),
    [](const ::testing::TestParamInfo<CustomCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- failures and resources

TEST(WelcomeFailures, NoLanguagePackIsFatalBeforeTheDialog) {
    WelcomeProcess p(std::vector<const wchar_t*>{});
    const Ending ending = p.Show();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, ExitCodeOf(kEFail));
    ASSERT_EQ(p.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(p.machine.ui.boxes[0].text.rfind(L"No language pack found", 0), 0u);
    EXPECT_TRUE(p.machine.dialogs.shown.empty());
}

TEST(WelcomeFailures, ADialogThatCannotBeCreatedEndsWithOne) {
    WelcomeProcess p;
    p.machine.core.faults.Fail("DialogBoxParamW", 1407);
    const Ending ending = p.Show();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(p.machine.files.FilesIn(p.machine.files.tempFolder).empty());
}

TEST(WelcomeFailures, TheSelectorsClassIsRegisteredBeforeTheDialogIsCreated) {
    WelcomeProcess p;
    ASSERT_FALSE(p.Show().exitedProcess);
    EXPECT_NE(p.machine.ui.commonControls & platform::kIccUserExClasses, 0u);
    EXPECT_FALSE(p.machine.dialogs.shown.empty());
}

TEST(WelcomeFailures, ASelectorWithoutSelectionStillInstallsTheAutomaticChoice) {
    // The selector's CB_GETCURSEL at Next is the run's last SendMessageW: find it in a trace.
    std::size_t lastSend = 0;
    {
        WelcomeProcess trial({L"de-DE", L"en-US"});
        trial.machine.core.uiLanguage = 0x0407;
        ASSERT_FALSE(trial.Show().exitedProcess);
        const auto& trace = trial.machine.core.faults.Trace();
        for (std::size_t i = 0; i < trace.size(); ++i) {
            if (trace[i] == "SendMessageW") lastSend = i;
        }
    }
    WelcomeProcess p({L"de-DE", L"en-US"});
    p.machine.core.uiLanguage = 0x0407;
    p.machine.core.faults.FailCallNumber(lastSend, 5);
    ASSERT_FALSE(p.Show().exitedProcess);
    EXPECT_EQ(p.machine.core.faults.Delivered(), 1);
    EXPECT_EQ(p.choice.localeCode, L"de-DE");
}

TEST(WelcomeResources, OnlyTheFontsImageListBrushAndPenOutliveTheDialog) {
    WelcomeProcess p({L"de-DE", L"en-US"});
    p.machine.dialogs.script = {DialogAction::Select(0), DialogAction::Select(1),
                                DialogAction::Next()};
    ASSERT_FALSE(p.Show(PreviousGenerationInstalled).exitedProcess);
    // Windows, the DC of the dpi query and the loaded flags are all released.
    EXPECT_EQ(p.LeftOpen(), 0u) << p.machine.core.ledger.Describe();
    EXPECT_EQ(p.machine.core.ledger.BadCloses(), 0);
    EXPECT_EQ(p.machine.dialogs.CountKept("font"), 2u);
    EXPECT_EQ(p.machine.dialogs.CountKept("imagelist"), 1u);
    EXPECT_EQ(p.machine.dialogs.CountKept("brush"), 1u);
    EXPECT_EQ(p.machine.dialogs.CountKept("pen"), 1u);
}

// ---------------------------------------------------------------- pure decisions

TEST(WelcomeLayoutRules, FontHeightsRoundUp) {
    // 12 points at 100 dpi is 16.67 pixels: the character height rounds up to 17.
    EXPECT_EQ(ui::LargeFontHeight(100), -17);
    EXPECT_EQ(ui::SmallFontHeight(100), -12);
    EXPECT_EQ(ui::LargeFontHeight(72), -12);
    EXPECT_EQ(ui::SmallFontHeight(72), -8);
}

}  // namespace
}  // namespace quorix
