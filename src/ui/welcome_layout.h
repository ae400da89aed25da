// What the welcome dialog looks like: its controls, which of them a layout hides, the fonts,
// the colours and the text of each control. Pure decisions, kept apart from the message
// handling so that they read as the table they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "ui/language_catalog.h"
#include "ui/resources/resource_ids.h"

namespace quorix::ui {

inline constexpr std::uint32_t kWelcomeDialogTemplate = WELCOME_DIALOG;

// Control ids of the welcome dialog.
inline constexpr int kNextButton = IDC_WELCOME_NEXT;
inline constexpr int kCancelCommand = 2;  // IDCANCEL: Escape or the close box, no button
inline constexpr int kLanguageCombo = IDC_WELCOME_LANGUAGE_COMBO;
inline constexpr int kCustomInstallationBox = IDC_WELCOME_CUSTOM_INSTALLATION;
inline constexpr int kHeadlineWithSelector = IDC_WELCOME_HEADLINE_WITH_SELECTOR;
inline constexpr int kAdviceWithSelector = IDC_WELCOME_ADVICE_WITH_SELECTOR;
inline constexpr int kHeadlineAlone = IDC_WELCOME_HEADLINE_ALONE;
inline constexpr int kAdviceAlone = IDC_WELCOME_ADVICE_ALONE;
inline constexpr int kLanguageLabel = IDC_WELCOME_LANGUAGE_LABEL;
inline constexpr int kBanner = IDC_WELCOME_BANNER;
inline constexpr int kNoticePanel = IDC_WELCOME_NOTICE_PANEL;
inline constexpr int kNoticePicture = IDC_WELCOME_NOTICE_PICTURE;
inline constexpr int kNoticeText = IDC_WELCOME_NOTICE_TEXT;
// Stands for the dialog itself (its caption) in the list of texts.
inline constexpr int kDialogCaption = 0;

inline constexpr platform::ColorRef kHeadlineColor = platform::Rgb(0, 51, 154);
inline constexpr platform::ColorRef kNoticeFillColor = platform::Rgb(255, 255, 192);
inline constexpr platform::ColorRef kNoticeBorderColor = platform::Rgb(248, 237, 69);
inline constexpr int kNoticeBorderWidth = 1;

inline constexpr const wchar_t* kWelcomeFontFace = L"Segoe UI";
// Enough for any notice text the catalog holds; longer texts are cut, never overrun.
inline constexpr std::size_t kNoticeTextCapacity = 2048;
// What GetDeviceCaps would say on a screen that reports nothing better.
inline constexpr int kDefaultDpi = 96;

// The controls a layout hides: with at most one pack there is nothing to choose, so the
// selector and its label go and the headline and advice move up into their place.
std::vector<int> ControlsHiddenForPackCount(std::size_t packCount);

// Font heights (negative: character height in pixels) for a screen's dots per inch: 12 and 8
// points, rounded up.
int LargeFontHeight(int dpi);
int SmallFontHeight(int dpi);
// The controls that get each font.
const std::vector<int>& LargeFontControls();
const std::vector<int>& SmallFontControls();

// How WM_CTLCOLORSTATIC colours a static control of the dialog.
struct StaticColouring {
    bool hollowBrush = false;  // paint no background, the banner shows through
    bool setTextColor = false;
    platform::ColorRef textColor = 0;
};
StaticColouring ColouringForStatic(int controlId);

// Every text of the dialog for a locale, as (control id or kDialogCaption, text). Both copies
// of headline and advice are included whichever pair is visible; the notice text only when
// the dialog shows the notice.
struct ControlText {
    int controlId;
    std::wstring text;
};
std::vector<ControlText> WelcomeTexts(const TextCatalog& catalog, const std::wstring& code,
                                      bool withNotice);

// The question asked when the user cancels: with the previous generation installed it also
// says that the user can go back to it.
std::wstring CancelQuestion(const TextCatalog& catalog, const std::wstring& code,
                            std::uint32_t installedMajorVersion);

}  // namespace quorix::ui
