// The Windows version check: which systems get which box, what the box's buttons open, and how
// the process ends; the plain error box when the owner window cannot be made.
#include "ui/system_requirements.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/help_links.h"
#include "support/product_machine.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::Ending;
using test::SimProcess;

const std::wstring kCaption = L"System requirements are not met";
const std::wstring kNotSupported = L"Your Windows version is not supported by this product.";
const std::wstring kUpdateXp = L"You must update your version of Windows XP first.";
const std::wstring kRequirementsPage =
    std::wstring(kLinkServerBase) + L"/link/?target=osrequirements&app=VLQ2011&os_ver=";
constexpr int kPressHelp = sim::SimUi::kPressHelp;

struct RequirementsMachine : SimProcess {
    RequirementsMachine(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePack) {
        platform::OsVersionInfo& os = machine.system.osVersion;
        os.majorVersion = major;
        os.minorVersion = minor;
        os.servicePackMajor = servicePack;
        machine.resources.AddString(platform::kLangEnglishUs, kRequirementsCaptionId, kCaption);
        machine.resources.AddString(platform::kLangEnglishUs, kWindowsNotSupportedTextId,
                                    kNotSupported);
        machine.resources.AddString(platform::kLangEnglishUs, kWindowsXpUpdateTextId, kUpdateXp);
    }

    Ending Check() {
        return Run([&] { CheckSystemRequirements(ctx); });
    }
    const std::vector<sim::MessageBoxRecord>& Boxes() const { return machine.ui.boxes; }
    const std::vector<sim::ShellExecuteRecord>& Opened() const { return machine.shell.executed; }
    platform::NativeHandle Window() const {
        return machine.ui.windows.empty() ? platform::kNullHandle : machine.ui.windows[0].handle;
    }

    // The one box a refused system shows, owned by the hidden window that was made for it and
    // destroyed again; nothing is left open.
    void ExpectOwnedBox(const std::wstring& text, std::uint32_t style) const {
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].caption, kCaption);
        EXPECT_EQ(Boxes()[0].text, text);
        EXPECT_EQ(Boxes()[0].style, style);
        ASSERT_EQ(machine.ui.windows.size(), 1u);
        EXPECT_EQ(Boxes()[0].owner, Window());
        EXPECT_TRUE(machine.ui.windows[0].destroyed);
        EXPECT_EQ(machine.core.ledger.OpenCount(), 0u) << machine.core.ledger.Describe();
    }
    void ExpectOpened(std::size_t index, const std::wstring& urlPrefix) const {
        ASSERT_LT(index, Opened().size());
        const platform::ShellRequest& request = Opened()[index].request;
        EXPECT_EQ(request.file.substr(0, urlPrefix.size()), urlPrefix) << request.file;
        EXPECT_EQ(request.owner, Window());
        EXPECT_EQ(request.verb, L"open");
        EXPECT_EQ(request.parameters, L"");
        EXPECT_EQ(request.directory, L"");
        EXPECT_EQ(request.show, platform::kSwShow);
    }
};

// ---------------------------------------------------------------- which systems are refused

struct VersionCase {
    const char* name;
    std::uint32_t major, minor;
    std::uint16_t servicePack;
    std::int32_t status;  // expected requirementsStatus
};

class RequirementsByVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(RequirementsByVersion, RefusedSystemsEndWithMinusOneAfterTheirBox) {
    const VersionCase& c = GetParam();
    RequirementsMachine m(c.major, c.minor, c.servicePack);
    const Ending ending = m.Check();
    EXPECT_EQ(m.state.requirementsStatus, c.status);
    if (c.status == kRequirementsMet) {
        EXPECT_FALSE(ending.exitedProcess);
        EXPECT_TRUE(m.Boxes().empty());
        EXPECT_TRUE(m.machine.ui.registeredClasses.empty());
        return;
    }
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0xFFFFFFFFu);
    if (c.status == kWindowsNotSupported) {
        m.ExpectOwnedBox(kNotSupported, 0x4010);
    } else {
        m.ExpectOwnedBox(kUpdateXp, 0x4034);
    }
    // Nothing opens unless a button asks for it (the default answer of a Yes/No box is Yes).
    EXPECT_EQ(m.Opened().size(), c.status == kWindowsXpBeforeSp2 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, RequirementsByVersion,
    ::testing::Values(VersionCase{"NT4", 4, 0, 6, kWindowsNotSupported},
                      VersionCase{"Windows2000", 5, 0, 4, kWindowsNotSupported},
                      VersionCase{"XpWithoutServicePack", 5, 1, 0, kWindowsXpBeforeSp2},
                      VersionCase{"XpSp1", 5, 1, 1, kWindowsXpBeforeSp2},
                      VersionCase{"XpSp2", 5, 1, 2, kRequirementsMet},
                      VersionCase{"XpSp3", 5, 1, 3, kRequirementsMet},
                      VersionCase{"Server2003WithoutServicePack", 5, 2, 0, kRequirementsMet},
                      VersionCase{"Vista", 6, 0, 0, kRequirementsMet},
                      VersionCase{"Windows7", 6, 1, 1, kRequirementsMet},
                      VersionCase{"Windows10", 10, 0, 0, kRequirementsMet}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return info.param.name; });

TEST(SystemRequirements, AnUnreadableVersionCountsAsSupported) {
    RequirementsMachine m(5, 0, 0);
    m.machine.core.faults.Fail("GetVersionExW", 87);
    const Ending ending = m.Check();
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(m.state.requirementsStatus, kRequirementsMet);
    EXPECT_TRUE(m.Boxes().empty());
}

// ---------------------------------------------------------------- the box's buttons

TEST(SystemRequirements, HiddenWindowIsOfItsOwnClassAndNeverShown) {
    RequirementsMachine m(5, 0, 0);
    m.Check();
    ASSERT_EQ(m.machine.ui.registeredClasses.size(), 1u);
    const platform::WindowClass& wc = m.machine.ui.registeredClasses[0];
    EXPECT_EQ(wc.name, L"hiddenwindow");
    EXPECT_EQ(wc.style, 3u);
    EXPECT_EQ(wc.cursorId, 32512);
    EXPECT_EQ(wc.background, 6);
    ASSERT_EQ(m.machine.ui.windows.size(), 1u);
    const platform::WindowSpec& spec = m.machine.ui.windows[0].spec;
    EXPECT_EQ(spec.exStyle, 0u);
    EXPECT_EQ(spec.className, L"hiddenwindow");
    EXPECT_EQ(spec.title, L"hiddenwindow");
    EXPECT_EQ(spec.style, 0xCF0000u);
    EXPECT_EQ(spec.x, 0);
    EXPECT_EQ(spec.y, 0);
    EXPECT_EQ(spec.width, 1);
    EXPECT_EQ(spec.height, 1);
    EXPECT_EQ(spec.parent, platform::kNullHandle);
}

TEST(SystemRequirements, HelpOnAnUnsupportedSystemOpensTheRequirementsPageEachTime) {
    RequirementsMachine m(5, 0, 4);
    m.machine.ui.answers = {kPressHelp, kPressHelp, platform::kIdOk};
    const Ending ending = m.Check();
    EXPECT_EQ(ending.exitCode, 0xFFFFFFFFu);
    m.ExpectOwnedBox(kNotSupported, 0x4010);
    ASSERT_EQ(m.Opened().size(), 2u);
    m.ExpectOpened(0, kRequirementsPage + L"5.0.");
    m.ExpectOpened(1, kRequirementsPage + L"5.0.");
    // The window saw its help requests while the box was open, and was destroyed after it.
    EXPECT_EQ(m.machine.ui.MessagesTo(m.Window()),
              (std::vector<std::uint32_t>{platform::kWmCreate, platform::kWmHelp, platform::kWmHelp,
                                          platform::kWmDestroy}));
}

TEST(SystemRequirements, HelpOnXpBeforeServicePack2OpensTheArticleAndNoCloses) {
    RequirementsMachine m(5, 1, 1);
    m.machine.ui.answers = {kPressHelp, platform::kIdNo};
    const Ending ending = m.Check();
    EXPECT_EQ(ending.exitCode, 0xFFFFFFFFu);
    m.ExpectOwnedBox(kUpdateXp, 0x4034);
    ASSERT_EQ(m.Opened().size(), 1u);
    m.ExpectOpened(0, L"http://support.microsoft.com/kb/322389");
    EXPECT_EQ(m.Opened()[0].request.file, kServicePackArticleAddress);
}

TEST(SystemRequirements, YesOnXpBeforeServicePack2OpensWindowsUpdate) {
    RequirementsMachine m(5, 1, 0);
    m.machine.ui.answers = {platform::kIdYes};
    const Ending ending = m.Check();
    EXPECT_EQ(ending.exitCode, 0xFFFFFFFFu);
    ASSERT_EQ(m.Opened().size(), 1u);
    m.ExpectOpened(0, L"http://windowsupdate.microsoft.com/");
    EXPECT_EQ(m.Opened()[0].request.file, kWindowsUpdateAddress);
}

TEST(SystemRequirements, AWindowsUpdateThatDoesNotOpenChangesNothing) {
    RequirementsMachine m(5, 1, 0);
    m.machine.shell.urlSchemes.clear();  // no browser
    m.machine.ui.answers = {platform::kIdYes};
    const Ending ending = m.Check();
    EXPECT_EQ(ending.exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(m.Opened().size(), 1u);  // tried once, nothing else shown
    EXPECT_EQ(m.Boxes().size(), 1u);
}

// The window procedure acts on help requests only; everything else passes untouched.
TEST(RequirementsWindowProc, OnlyAHelpRequestOpensAPage) {
    for (std::int32_t status : {kWindowsNotSupported, kWindowsXpBeforeSp2}) {
        RequirementsMachine m(5, 0, 0);
        m.state.requirementsStatus = status;
        for (std::uint32_t message : {platform::kWmCreate, platform::kWmDestroy, 0x0010u, 0x0054u})
            RequirementsWindowProc(m.ctx, 0x4242, message, 0, 0);
        EXPECT_TRUE(m.Opened().empty()) << "status " << status;
        RequirementsWindowProc(m.ctx, 0x4242, platform::kWmHelp, 0, 0);
        EXPECT_EQ(m.Opened().size(), 1u) << "status " << status;
    }
}

// ---------------------------------------------------------------- without the window

struct WindowFailureCase {
    const char* name;
    const char* failingApi;
    std::uint16_t servicePack;  // 0 on 5.1: status 2; the plain box still says "not supported"
};

class RequirementsWithoutWindow : public ::testing::TestWithParam<WindowFailureCase> {};

TEST_P(RequirementsWithoutWindow, ShowsThePlainErrorBoxAndStillEndsWithMinusOne) {
    const WindowFailureCase& c = GetParam();
    RequirementsMachine m(5, c.servicePack == 0 ? 1 : 0, c.servicePack);
    m.machine.core.faults.Fail(c.failingApi, 8);
    m.machine.ui.answers = {kPressHelp, platform::kIdOk};
    const Ending ending = m.Check();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0xFFFFFFFFu);
    ASSERT_EQ(m.Boxes().size(), 1u);
    EXPECT_EQ(m.Boxes()[0].caption, kCaption);
    EXPECT_EQ(m.Boxes()[0].text, kNotSupported);
    EXPECT_EQ(m.Boxes()[0].style, 0x10u);
    EXPECT_EQ(m.Boxes()[0].owner, platform::kNullHandle);
    EXPECT_TRUE(m.Opened().empty());
    EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u) << m.machine.core.ledger.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RequirementsWithoutWindow,
    ::testing::Values(WindowFailureCase{"ClassNotRegisteredOnWindows2000", "RegisterClassExW", 4},
                      WindowFailureCase{"ClassNotRegisteredOnXp", "RegisterClassExW", 0},
                      WindowFailureCase{"WindowNotCreatedOnWindows2000", "CreateWindowExW", 4},
                      WindowFailureCase{"WindowNotCreatedOnXp", "CreateWindowExW", 0}),
    [](const ::testing::TestParamInfo<WindowFailureCase>& info) { return info.param.name; });

// ---------------------------------------------------------------- texts

TEST(SystemRequirements, TextsComeFromTheStringTableInTheUsersLanguage) {
    RequirementsMachine m(5, 0, 0);
    m.machine.resources.AddString(platform::kLangGerman, kRequirementsCaptionId,
                                  L"Systemanforderungen nicht erfüllt");
    m.machine.resources.AddString(platform::kLangGerman, kWindowsNotSupportedTextId,
                                  L"Ihre Windows-Version wird nicht unterstützt.");
    m.machine.core.uiLanguage = platform::kLangGerman;
    m.Check();
    ASSERT_EQ(m.Boxes().size(), 1u);
    EXPECT_EQ(m.Boxes()[0].caption, L"Systemanforderungen nicht erfüllt");
    EXPECT_EQ(m.Boxes()[0].text, L"Ihre Windows-Version wird nicht unterstützt.");
}

TEST(SystemRequirements, AMissingStringTableStillExplainsInEnglish) {
    SimProcess m;
    m.machine.system.osVersion.majorVersion = 5;
    m.machine.system.osVersion.minorVersion = 0;
    m.Run([&] { CheckSystemRequirements(m.ctx); });
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].caption, kCaption);
    EXPECT_EQ(m.machine.ui.boxes[0].text.substr(0, kNotSupported.size()), kNotSupported);
}

// ---------------------------------------------------------------- in a whole run

TEST(SystemRequirements, ARefusedSystemEndsTheRunBeforeAnythingIsLookedAtOrWritten) {
    test::ProductMachine m;
    m.machine.system.osVersion.majorVersion = 5;
    m.machine.system.osVersion.minorVersion = 0;
    const Ending ending = m.Run({L"/silent"});
    EXPECT_EQ(ending.exitCode, 0xFFFFFFFFu);
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_FALSE(m.machine.files.Exists(test::ProductMachine::BasePackagePath()));
    EXPECT_EQ(m.machine.ui.boxes.size(), 1u);
}

}  // namespace
}  // namespace quorix
