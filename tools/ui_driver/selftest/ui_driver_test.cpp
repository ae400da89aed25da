// The driver's Win32-free core: its command line, rule matching, button lookup, the JSON it
// writes and the icon decision. Runs under Wine (run-in-wine.sh), so the command-line quoting
// is checked against the real CommandLineToArgvW.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "driver_options.h"
#include "icon_match.h"
#include "png_writer.h"
#include "window_record.h"

namespace quorix::uidriver {
namespace {

std::vector<std::wstring> Args(std::initializer_list<const wchar_t*> items) {
    std::vector<std::wstring> out;
    for (const wchar_t* item : items) out.emplace_back(item);
    return out;
}

// ---- command line ------------------------------------------------------------------------

struct RejectedCase {
    const char* situation;
    std::vector<std::wstring> args;
};

class RejectedCommandLine : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedCommandLine, IsAnErrorWithAReason) {
    ParseResult r = ParseDriverArguments(GetParam().args);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Driver, RejectedCommandLine,
    ::testing::Values(
        RejectedCase{"NoLog", Args({L"--", L"p.exe"})},
        RejectedCase{"NoProgram", Args({L"--log", L"l"})},
        RejectedCase{"NothingAfterDoubleDash", Args({L"--log", L"l", L"--"})},
        RejectedCase{"CmdlineAndDoubleDash",
                     Args({L"--log", L"l", L"--cmdline", L"a", L"--", L"b"})},
        RejectedCase{"ActionBeforeAnyRule", Args({L"--log", L"l", L"--press", L"OK", L"--", L"p"})},
        RejectedCase{"UnknownOption", Args({L"--log", L"l", L"--frobnicate", L"--", L"p"})},
        RejectedCase{"UnknownActionInRule",
                     Args({L"--log", L"l", L"--on", L"any", L"--frobnicate", L"--", L"p"})},
        RejectedCase{"ZeroTimeout", Args({L"--log", L"l", L"--timeout", L"0", L"--", L"p"})},
        RejectedCase{"NegativeTimeout", Args({L"--log", L"l", L"--timeout", L"-5", L"--", L"p"})},
        RejectedCase{"TimeoutWithJunk", Args({L"--log", L"l", L"--timeout", L"5s", L"--", L"p"})},
        RejectedCase{"TimeoutMissingValue", Args({L"--log", L"l", L"--timeout"})},
        RejectedCase{"UnknownDefault",
                     Args({L"--log", L"l", L"--default", L"ignore", L"--", L"p"})},
        RejectedCase{"ConditionWithoutField", Args({L"--log", L"l", L"--on", L"=x", L"--", L"p"})},
        RejectedCase{"ConditionOnUnknownField",
                     Args({L"--log", L"l", L"--on", L"title=x", L"--", L"p"})},
        RejectedCase{"SelectWithoutItem",
                     Args({L"--log", L"l", L"--on", L"any", L"--select", L"1001", L"--", L"p"})},
        RejectedCase{"SelectNegativeIndex",
                     Args({L"--log", L"l", L"--on", L"any", L"--select", L"1001#-1", L"--", L"p"})},
        RejectedCase{"CheckNonNumericId",
                     Args({L"--log", L"l", L"--on", L"any", L"--check", L"box", L"--", L"p"})},
        RejectedCase{"ControlIdAbove16Bits",
                     Args({L"--log", L"l", L"--on", L"any", L"--check", L"70000", L"--", L"p"})}),
    [](const ::testing::TestParamInfo<RejectedCase>& info) { return info.param.situation; });

TEST(DriverCommandLine, GlobalOptionsAndProgram) {
    ParseResult r = ParseDriverArguments(
        Args({L"--log", L"Z:\\l.jsonl", L"--exit-code-file", L"Z:\\rc", L"--timeout", L"30",
              L"--poll", L"0x20", L"--settle", L"0", L"--detached", L"--quiet", L"--default",
              L"leave", L"--cwd", L"C:\\w", L"--", L"C:\\Program Files\\p.exe", L"/foo"}));
    ASSERT_TRUE(r.ok) << std::string(r.error.begin(), r.error.end());
    const DriverOptions& o = r.options;
    EXPECT_EQ(o.logPath, L"Z:\\l.jsonl");
    EXPECT_EQ(o.exitCodePath, L"Z:\\rc");
    EXPECT_EQ(o.timeoutSeconds, 30u);
    EXPECT_EQ(o.pollMilliseconds, 32u);
    EXPECT_EQ(o.settleMilliseconds, 0u);
    EXPECT_TRUE(o.detached);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.defaultAction, DefaultAction::Leave);
    EXPECT_EQ(o.workingDirectory, L"C:\\w");
    EXPECT_EQ(o.commandLine, L"\"C:\\Program Files\\p.exe\" /foo");
}

TEST(DriverCommandLine, ArgumentsAfterDoubleDashAreNeverOptions) {
    ParseResult r = ParseDriverArguments(Args({L"--log", L"l", L"--", L"p.exe", L"--log", L"x"}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.options.logPath, L"l");
    EXPECT_EQ(r.options.commandLine, L"p.exe --log x");
}

TEST(DriverCommandLine, RulesCollectConditionsAndActionsInOrder) {
    ParseResult r = ParseDriverArguments(
        Args({L"--log",        L"l",           L"--on",     L"caption=extract_aidconfig2",
              L"--if",         L"text~AID",    L"--touch",  L"Z:\\held",
              L"--wait-file",  L"Z:\\go",      L"--press",  L"OK",
              L"--on",         L"kind=dialog", L"--repeat", L"--select",
              L"1001=de-DE",   L"--select",    L"1001#2",   L"--check",
              L"1002",         L"--uncheck",   L"IDOK",     L"--set-text",
              L"1003=a=b",     L"--sleep",     L"250",      L"--snapshot",
              L"--screenshot", L"Z:\\s.bmp",   L"--press",  L"IDCANCEL",
              L"--close",      L"--",          L"p"}));
    ASSERT_TRUE(r.ok) << std::string(r.error.begin(), r.error.end());
    ASSERT_EQ(r.options.rules.size(), 2u);

    const Rule& first = r.options.rules[0];
    EXPECT_FALSE(first.repeat);
    ASSERT_EQ(first.conditions.size(), 2u);
    EXPECT_EQ(first.conditions[0].field, MatchField::Caption);
    EXPECT_FALSE(first.conditions[0].substring);
    EXPECT_EQ(first.conditions[0].value, L"extract_aidconfig2");
    EXPECT_EQ(first.conditions[1].field, MatchField::Text);
    EXPECT_TRUE(first.conditions[1].substring);
    ASSERT_EQ(first.actions.size(), 3u);
    EXPECT_EQ(first.actions[0].kind, ActionKind::Touch);
    EXPECT_EQ(first.actions[1].kind, ActionKind::WaitFile);
    EXPECT_EQ(first.actions[1].text, L"Z:\\go");
    EXPECT_EQ(first.actions[2].kind, ActionKind::Press);
    EXPECT_EQ(first.actions[2].button.text, L"OK");

    const Rule& second = r.options.rules[1];
    EXPECT_TRUE(second.repeat);
    ASSERT_EQ(second.actions.size(), 10u);
    EXPECT_EQ(second.actions[0].controlId, 1001);
    EXPECT_EQ(second.actions[0].text, L"de-DE");
    EXPECT_EQ(second.actions[0].itemIndex, -1);
    EXPECT_EQ(second.actions[1].itemIndex, 2);
    EXPECT_EQ(second.actions[2].kind, ActionKind::Check);
    EXPECT_EQ(second.actions[3].kind, ActionKind::Uncheck);
    EXPECT_EQ(second.actions[3].controlId, IDOK);
    EXPECT_EQ(second.actions[4].text, L"a=b");  // only the first "=" separates
    EXPECT_EQ(second.actions[5].milliseconds, 250u);
    EXPECT_EQ(second.actions[6].kind, ActionKind::Snapshot);
    EXPECT_EQ(second.actions[7].text, L"Z:\\s.bmp");
    EXPECT_EQ(second.actions[8].button.id, IDCANCEL);
    EXPECT_EQ(second.actions[9].kind, ActionKind::Close);
}

TEST(DriverCommandLine, DialogActionsAndTheShotsFolder) {
    ParseResult r = ParseDriverArguments(Args({L"--log",
                                               L"l",
                                               L"--shots",
                                               L"Z:\\shots",
                                               L"--on",
                                               L"kind=dialog",
                                               L"--command",
                                               L"IDCANCEL",
                                               L"--key",
                                               L"Escape",
                                               L"--key",
                                               L"f1",
                                               L"--drop",
                                               L"1003",
                                               L"--closeup",
                                               L"1003",
                                               L"--help-request",
                                               L"--wait-alone",
                                               L"--screenshot",
                                               L"Z:\\a.png",
                                               L"--",
                                               L"p"}));
    ASSERT_TRUE(r.ok) << std::string(r.error.begin(), r.error.end());
    EXPECT_EQ(r.options.shotsFolder, L"Z:\\shots");
    const std::vector<Action>& a = r.options.rules.at(0).actions;
    ASSERT_EQ(a.size(), 8u);
    EXPECT_EQ(a[0].kind, ActionKind::Command);
    EXPECT_EQ(a[0].controlId, IDCANCEL);
    EXPECT_EQ(a[1].kind, ActionKind::Key);
    EXPECT_EQ(a[1].virtualKey, static_cast<unsigned>(VK_ESCAPE));  // key names ignore case
    EXPECT_EQ(a[2].virtualKey, static_cast<unsigned>(VK_F1));
    EXPECT_EQ(a[3].kind, ActionKind::DropDown);
    EXPECT_EQ(a[3].controlId, 1003);
    EXPECT_EQ(a[4].kind, ActionKind::CloseUp);
    EXPECT_EQ(a[5].kind, ActionKind::HelpRequest);
    EXPECT_EQ(a[6].kind, ActionKind::WaitAlone);
    EXPECT_EQ(a[7].text, L"Z:\\a.png");
}

INSTANTIATE_TEST_SUITE_P(
    DialogActions, RejectedCommandLine,
    ::testing::Values(
        RejectedCase{"UnknownKey",
                     Args({L"--log", L"l", L"--on", L"any", L"--key", L"f13", L"--", L"p"})},
        RejectedCase{"KeyWithoutName", Args({L"--log", L"l", L"--on", L"any", L"--key"})},
        RejectedCase{"CommandZero",
                     Args({L"--log", L"l", L"--on", L"any", L"--command", L"0", L"--", L"p"})},
        RejectedCase{"DropWithoutId",
                     Args({L"--log", L"l", L"--on", L"any", L"--drop", L"--", L"p"})},
        RejectedCase{"ShotsWithoutFolder", Args({L"--log", L"l", L"--shots"})},
        RejectedCase{"HelpRequestBeforeAnyRule",
                     Args({L"--log", L"l", L"--help-request", L"--", L"p"})}),
    [](const ::testing::TestParamInfo<RejectedCase>& info) { return info.param.situation; });

struct ButtonCase {
    const char* situation;
    const wchar_t* spec;
    int id;
    const wchar_t* text;
    bool useDefault;
};

class ButtonSpecParsing : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(ButtonSpecParsing, NamesTheButton) {
    ButtonSpec b = ParseButtonSpec(GetParam().spec);
    EXPECT_EQ(b.id, GetParam().id);
    EXPECT_EQ(b.text, GetParam().text);
    EXPECT_EQ(b.useDefault, GetParam().useDefault);
}

INSTANTIATE_TEST_SUITE_P(
    Driver, ButtonSpecParsing,
    ::testing::Values(ButtonCase{"CommandName", L"IDYES", IDYES, L"", false},
                      ButtonCase{"LastCommandName", L"IDCONTINUE", 11, L"", false},
                      ButtonCase{"NumericId", L"id=1002", 1002, L"", false},
                      ButtonCase{"HexId", L"id=0x10", 16, L"", false},
                      ButtonCase{"NamedIdAfterPrefix", L"id=IDNO", IDNO, L"", false},
                      ButtonCase{"ZeroIdIsText", L"id=0", 0, L"id=0", false},
                      ButtonCase{"Default", L"default", 0, L"", true},
                      ButtonCase{"Text", L"Next >", 0, L"Next >", false},
                      ButtonCase{"LowerCaseNameIsText", L"idok", 0, L"idok", false}),
    [](const ::testing::TestParamInfo<ButtonCase>& info) { return info.param.situation; });

// What the program under test gets back from the command line the driver builds.
class CommandLineRoundTrip : public ::testing::TestWithParam<std::vector<std::wstring>> {};

TEST_P(CommandLineRoundTrip, CommandLineToArgvWGivesTheArgumentsBack) {
    std::vector<std::wstring> args = {L"C:\\p.exe"};
    for (const std::wstring& a : GetParam()) args.push_back(a);
    const std::wstring line = BuildCommandLine(args);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_NE(argv, nullptr);
    std::vector<std::wstring> back(argv, argv + argc);
    LocalFree(argv);
    EXPECT_EQ(back, args) << "command line: " << std::string(line.begin(), line.end());
}

INSTANTIATE_TEST_SUITE_P(
    Driver, CommandLineRoundTrip,
    ::testing::Values(std::vector<std::wstring>{L"/silent", L"/language", L"en-US;de-DE"},
                      std::vector<std::wstring>{L""},
                      std::vector<std::wstring>{L"two words", L"tab\there"},
                      std::vector<std::wstring>{L"say \"hi\"", L"\""},
                      std::vector<std::wstring>{L"C:\\dir with space\\", L"x"},
                      std::vector<std::wstring>{L"a\\\\\"b", L"\\\\server\\share"},
                      std::vector<std::wstring>{L"/lpprops", L"A=1", L"B=\"x y\""}));

// ---- windows and rules -------------------------------------------------------------------

ControlRecord Button(int id, const wchar_t* text, bool visible = true, bool isDefault = false) {
    ControlRecord c;
    c.className = L"Button";
    c.id = id;
    c.text = text;
    c.visible = visible;
    c.enabled = true;
    c.isButton = true;
    c.isDefault = isDefault;
    return c;
}

WindowRecord YesNoBox() {
    WindowRecord w;
    w.handle = 0x1004e;
    w.className = L"#32770";
    w.kind = L"messagebox";
    w.caption = L"extract_aidconfig2";
    w.text = L"No AID Config found.  Using default values.";
    w.icon = L"warning";
    ControlRecord text;
    text.className = L"Static";
    text.id = 0xFFFF;
    text.text = w.text;
    text.visible = true;
    w.controls = {text, Button(IDYES, L"&Yes", true, true), Button(IDNO, L"&No"),
                  Button(IDHELP, L"&Help", false)};
    return w;
}

TEST(ButtonMnemonic, AmpersandsAreRemovedAndDoubledOnesKept) {
    EXPECT_EQ(ButtonTextWithoutMnemonic(L"&Yes"), L"Yes");
    EXPECT_EQ(ButtonTextWithoutMnemonic(L"Save && &Exit"), L"Save & Exit");
    EXPECT_EQ(ButtonTextWithoutMnemonic(L"&"), L"");
    EXPECT_EQ(ButtonTextWithoutMnemonic(L"Next >"), L"Next >");
}

TEST(FindButton, ByIdByTextAndOnlyAmongVisibleButtons) {
    const WindowRecord w = YesNoBox();
    ButtonSpec byId;
    byId.id = IDNO;
    ASSERT_NE(FindButton(w, byId, 0), nullptr);
    EXPECT_EQ(FindButton(w, byId, 0)->id, IDNO);
    EXPECT_EQ(FindButton(w, ParseButtonSpec(L"yes"), 0)->id, IDYES);
    EXPECT_EQ(FindButton(w, ParseButtonSpec(L"&No"), 0)->id, IDNO);
    EXPECT_EQ(FindButton(w, ParseButtonSpec(L"Help"), 0), nullptr);  // hidden
    EXPECT_EQ(FindButton(w, ParseButtonSpec(L"IDOK"), 0), nullptr);
    EXPECT_EQ(FindButton(w, ParseButtonSpec(L"No AID Config found.  Using default values."), 0),
              nullptr);  // the static text is no button
}

TEST(FindButton, DefaultPrefersTheDialogsDefaultIdThenTheStyle) {
    WindowRecord w = YesNoBox();
    ButtonSpec d = ParseButtonSpec(L"default");
    EXPECT_EQ(FindButton(w, d, IDNO)->id, IDNO);
    EXPECT_EQ(FindButton(w, d, IDOK)->id, IDYES);  // no visible IDOK: the styled default
    EXPECT_EQ(FindButton(w, d, 0)->id, IDYES);
    w.controls[1].isDefault = false;
    EXPECT_EQ(FindButton(w, d, 0), nullptr);  // two buttons, none marked: no guess
    w.controls.erase(w.controls.begin() + 2);
    EXPECT_EQ(FindButton(w, d, 0)->id, IDYES);  // a single button is the default
}

TEST(RuleMatching, AllConditionsMustHold) {
    const WindowRecord w = YesNoBox();
    Rule rule;
    rule.conditions = {{MatchField::Caption, false, L"extract_aidconfig2"},
                       {MatchField::Text, true, L"AID Config"},
                       {MatchField::Icon, false, L"warning"},
                       {MatchField::Kind, false, L"messagebox"},
                       {MatchField::Class, false, L"#32770"}};
    EXPECT_TRUE(RuleMatches(rule, w));
    rule.conditions.push_back({MatchField::Caption, true, L"aidconfig3"});
    EXPECT_FALSE(RuleMatches(rule, w));
}

TEST(RuleMatching, ExactAndSubstringAreDifferent) {
    const WindowRecord w = YesNoBox();
    EXPECT_FALSE(ConditionMatches({MatchField::Caption, false, L"extract_aidconfig"}, w));
    EXPECT_TRUE(ConditionMatches({MatchField::Caption, true, L"extract_aidconfig"}, w));
    EXPECT_FALSE(ConditionMatches({MatchField::Caption, false, L"EXTRACT_AIDCONFIG2"}, w));
    EXPECT_TRUE(ConditionMatches({MatchField::Any, false, L""}, w));
}

// ---- the log -----------------------------------------------------------------------------

TEST(JsonString, EscapesWhatJsonNeedsAndWritesUtf8) {
    EXPECT_EQ(JsonString(L"a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(JsonString(L"l1\r\nl2\t"), "\"l1\\r\\nl2\\t\"");
    EXPECT_EQ(JsonString(std::wstring(L"\x01\x1f", 2)), "\"\\u0001\\u001f\"");
    EXPECT_EQ(JsonString(L"\u00e9\u20ac"), "\"\xc3\xa9\xe2\x82\xac\"");
    EXPECT_EQ(JsonString(L"\xd83d\xde00"), "\"\xf0\x9f\x98\x80\"");  // surrogate pair
    EXPECT_EQ(JsonString(L"\xd83dx"), "\"\xef\xbf\xbdx\"");          // lone surrogate
    EXPECT_EQ(JsonString(std::wstring(L"a\0b", 3)), "\"a\\u0000b\"");
}

TEST(WindowJson, OneLineWithTheVisibleButtonsAndEveryControl) {
    WindowRecord w = YesNoBox();
    const std::string line = WindowToJson(w, "window", 7, 1234);
    ASSERT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_NE(line.find("\"event\":\"window\",\"seq\":7,\"t_ms\":1234,\"hwnd\":\"0x0001004e\""),
              std::string::npos);
    EXPECT_NE(line.find("\"caption\":\"extract_aidconfig2\""), std::string::npos);
    EXPECT_NE(line.find("\"icon\":\"warning\""), std::string::npos);
    EXPECT_NE(line.find("\"buttons\":[{\"id\":6,\"text\":\"&Yes\",\"default\":true},"
                        "{\"id\":7,\"text\":\"&No\",\"default\":false}]"),
              std::string::npos);
    EXPECT_NE(line.find("{\"class\":\"Button\",\"id\":9,\"text\":\"&Help\",\"visible\":false"),
              std::string::npos);
    EXPECT_EQ(line.find("vanished"), std::string::npos);
    w.vanished = true;
    EXPECT_NE(WindowToJson(w, "window", 1, 0).find("\"vanished\":true}"), std::string::npos);
}

TEST(WindowJson, ListControlsCarryTheirItemsAndSelection) {
    WindowRecord w;
    ControlRecord combo;
    combo.className = L"ComboBox";
    combo.id = 1001;
    combo.items = {L"en-US", L"de-DE"};
    combo.selected = 1;
    ControlRecord check;
    check.className = L"Button";
    check.id = 1002;
    check.checked = 1;
    w.controls = {combo, check};
    const std::string line = WindowToJson(w, "snapshot", 1, 0);
    EXPECT_NE(line.find("\"items\":[\"en-US\",\"de-DE\"],\"selected\":1"), std::string::npos);
    EXPECT_NE(line.find("\"id\":1002,\"text\":\"\",\"visible\":false,\"enabled\":false,"
                        "\"checked\":1}"),
              std::string::npos);
    EXPECT_NE(line.find("\"buttons\":[]"), std::string::npos);
}

TEST(WindowJson, PanelChildrenItemPicturesOwnerAndScreenshot) {
    WindowRecord w;
    w.ownerClass = L"hiddenwindow";
    w.screenshot = L"Z:\\shots\\0002-window.png";
    ControlRecord combo;
    combo.className = L"ComboBoxEx32";
    combo.id = 1003;
    combo.items = {L"Dansk", L"Deutsch"};
    combo.itemImages = {0, 1};
    combo.selected = 1;
    ControlRecord notice;
    notice.className = L"Static";
    notice.id = 1014;
    notice.parentId = 1012;
    ControlRecord onDialog;
    onDialog.className = L"Static";
    onDialog.id = 1009;
    w.controls = {combo, notice, onDialog};
    const std::string line = WindowToJson(w, "window", 2, 0);
    EXPECT_NE(line.find("\"items\":[\"Dansk\",\"Deutsch\"],\"selected\":1,\"images\":[0,1]}"),
              std::string::npos);
    EXPECT_NE(line.find("\"id\":1014,\"text\":\"\",\"visible\":false,\"enabled\":false,"
                        "\"parent\":1012}"),
              std::string::npos);
    // A control of the dialog itself carries no parent.
    EXPECT_NE(line.find("\"id\":1009,\"text\":\"\",\"visible\":false,\"enabled\":false}"),
              std::string::npos);
    EXPECT_NE(
        line.find("\"owner\":\"hiddenwindow\",\"screenshot\":\"Z:\\\\shots\\\\0002-window.png\"}"),
        std::string::npos);
}

// ---- screenshots -------------------------------------------------------------------------

std::uint32_t BigEndianAt(const std::vector<unsigned char>& data, size_t at) {
    return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
           (std::uint32_t{data[at + 2]} << 8) | data[at + 3];
}

struct PngChunk {
    std::string type;
    std::vector<unsigned char> data;
    bool crcOk = false;
};

// Splits a PNG into its chunks, checking each CRC; false when the file is cut or malformed.
bool ReadChunks(const std::vector<unsigned char>& png, std::vector<PngChunk>& chunks) {
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || !std::equal(kSignature, kSignature + 8, png.begin())) return false;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = BigEndianAt(png, at);
        if (length > png.size() - at - 12) return false;
        PngChunk chunk;
        chunk.type.assign(png.begin() + static_cast<long>(at + 4),
                          png.begin() + static_cast<long>(at + 8));
        chunk.data.assign(png.begin() + static_cast<long>(at + 8),
                          png.begin() + static_cast<long>(at + 8 + length));
        chunk.crcOk = Crc32(png.data() + at + 4, length + 4) == BigEndianAt(png, at + 8 + length);
        chunks.push_back(chunk);
        at += 12 + length;
    }
    return at == png.size();
}

// Undoes the stored deflate blocks of a zlib stream; false on anything else or a bad length.
bool InflateStored(const std::vector<unsigned char>& zlib, std::vector<unsigned char>& out) {
    if (zlib.size() < 6 || ((zlib[0] << 8) | zlib[1]) % 31 != 0 || (zlib[0] & 0x0F) != 8)
        return false;
    size_t at = 2;
    for (;;) {
        if (at + 5 > zlib.size() || (zlib[at] & 0x06) != 0) return false;  // stored only
        const bool last = (zlib[at] & 1) != 0;
        const unsigned len = zlib[at + 1] | (zlib[at + 2] << 8);
        const unsigned nlen = zlib[at + 3] | (zlib[at + 4] << 8);
        if ((len ^ 0xFFFF) != nlen || at + 5 + len > zlib.size()) return false;
        out.insert(out.end(), zlib.begin() + static_cast<long>(at + 5),
                   zlib.begin() + static_cast<long>(at + 5 + len));
        at += 5 + len;
        if (last) break;
    }
    return at + 4 == zlib.size() && BigEndianAt(zlib, at) == Adler32(out.data(), out.size());
}

TEST(PngChecksums, KnownValues) {
    const std::string text = "123456789";
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    EXPECT_EQ(Crc32(bytes, text.size()), 0xCBF43926u);
    EXPECT_EQ(Adler32(bytes, text.size()), 0x091E01DEu);
    const std::string wiki = "Wikipedia";
    EXPECT_EQ(Adler32(reinterpret_cast<const unsigned char*>(wiki.data()), wiki.size()),
              0x11E60398u);
    // Chained: the CRC of a whole is the CRC of its second half continued from the first's.
    EXPECT_EQ(Crc32(bytes + 4, 5, Crc32(bytes, 4)), 0xCBF43926u);
}

class PngRoundTrip : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(PngRoundTrip, ChunksHeaderAndEveryPixelComeBack) {
    Pixels p;
    p.width = GetParam().first;
    p.height = GetParam().second;
    for (int i = 0; i < p.width * p.height; ++i)
        p.bgra.push_back(static_cast<std::uint32_t>(i * 2654435761u) & 0x00FFFFFF);
    const std::vector<unsigned char> png = EncodePng(p);
    std::vector<PngChunk> chunks;
    ASSERT_TRUE(ReadChunks(png, chunks));
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    for (const PngChunk& c : chunks) EXPECT_TRUE(c.crcOk) << c.type;
    ASSERT_EQ(chunks[0].data.size(), 13u);
    EXPECT_EQ(BigEndianAt(chunks[0].data, 0), static_cast<std::uint32_t>(p.width));
    EXPECT_EQ(BigEndianAt(chunks[0].data, 4), static_cast<std::uint32_t>(p.height));
    EXPECT_EQ(chunks[0].data[8], 8);  // bits per channel
    EXPECT_EQ(chunks[0].data[9], 2);  // truecolour

    std::vector<unsigned char> raw;
    ASSERT_TRUE(InflateStored(chunks[1].data, raw));
    const size_t rowBytes = 1 + static_cast<size_t>(p.width) * 3;
    ASSERT_EQ(raw.size(), rowBytes * static_cast<size_t>(p.height));
    for (int y = 0; y < p.height; ++y) {
        ASSERT_EQ(raw[y * rowBytes], 0) << "filter of row " << y;
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t want = p.bgra[static_cast<size_t>(y * p.width + x)];
            const unsigned char* got = &raw[y * rowBytes + 1 + static_cast<size_t>(x) * 3];
            ASSERT_EQ((std::uint32_t{got[0]} << 16) | (std::uint32_t{got[1]} << 8) | got[2], want)
                << "pixel " << x << "," << y;
        }
    }
}

// One pixel; a picture whose data fills a stored block exactly (65535 bytes: 771 rows of
// 1 + 3 * 28 bytes); one that needs several blocks.
INSTANTIATE_TEST_SUITE_P(Sizes, PngRoundTrip,
                         ::testing::Values(std::make_pair(1, 1), std::make_pair(28, 771),
                                           std::make_pair(500, 312)));

TEST(PngEncoding, PicturesWithoutPixelsGiveNoFile) {
    Pixels empty;
    EXPECT_TRUE(EncodePng(empty).empty());
    Pixels inconsistent;
    inconsistent.width = 4;
    inconsistent.height = 4;
    inconsistent.bgra.assign(15, 0);  // one pixel short: must not read past the end
    EXPECT_TRUE(EncodePng(inconsistent).empty());
}

// ---- icons -------------------------------------------------------------------------------

Pixels Solid(int w, int h, std::uint32_t colour) {
    Pixels p;
    p.width = w;
    p.height = h;
    p.bgra.assign(static_cast<size_t>(w * h), colour);
    return p;
}

Pixels WithBlock(Pixels p, int x0, int y0, int size, std::uint32_t colour) {
    for (int y = y0; y < y0 + size; ++y)
        for (int x = x0; x < x0 + size; ++x) p.bgra[static_cast<size_t>(y * p.width + x)] = colour;
    return p;
}

TEST(IconMatch, SmallColourShiftsAreNotDifferences) {
    const Pixels a = Solid(4, 4, 0x808080);
    EXPECT_EQ(CountDifferingPixels(a, Solid(4, 4, 0x909090)), 0u);
    EXPECT_EQ(CountDifferingPixels(a, Solid(4, 4, 0x80A080)), 16u);
    EXPECT_EQ(CountDifferingPixels(a, Solid(4, 5, 0x808080)), 20u);  // sizes differ: all
}

TEST(IconMatch, PicksTheCandidateThatIsClearlyClosest) {
    const Pixels background = Solid(32, 32, 0xD4D0C8);
    std::vector<IconCandidate> candidates = {
        {L"error", WithBlock(background, 4, 4, 20, 0xFF0000)},
        {L"warning", WithBlock(background, 4, 4, 20, 0xFFFF00)},
        {L"information", WithBlock(background, 4, 4, 20, 0x0000FF)},
    };
    Pixels seen = candidates[1].rendering;
    seen.bgra[0] = 0x000000;  // a stray pixel still matches
    EXPECT_EQ(PickMatchingIcon(seen, candidates), L"warning");
    EXPECT_EQ(PickMatchingIcon(background, candidates), L"");  // not painted yet
    EXPECT_EQ(PickMatchingIcon(Pixels{}, candidates), L"");
    candidates.push_back({L"question", candidates[1].rendering});
    EXPECT_EQ(PickMatchingIcon(candidates[1].rendering, candidates), L"");  // a tie is no answer
}

}  // namespace
}  // namespace quorix::uidriver

// -municode makes wmain the entry point, so gtest_main's main() cannot be used.
int wmain(int argc, wchar_t** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
