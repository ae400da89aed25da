// The welcome dialog of an interactive run: the language to install and whether the user
// wants a custom installation.
#pragma once

#include <cstdint>
#include <string>

#include "core/process_state.h"
#include "platform/dialogs.h"

namespace quorix {

struct WelcomeChoice {
    std::wstring languagePackFile;  // the chosen pack, already extracted
    std::wstring localeCode;        // "en-US"
};

// Shows the dialog for the installed-version decision `mode`, extracts the chosen language
// pack and records customInstallationRequested. Ends the process with 1 when the dialog is
// cancelled (or cannot be shown), and through the fatal-error exit when the executable
// carries no language pack.
WelcomeChoice ShowWelcomeDialog(ProcessContext& ctx, ConfigureAction mode);

// The procedure of dialog template 101. It lives as long as the dialog; the fonts, the image
// list and the notice panel's brush and pen it creates are never destroyed, they stay with
// the process until it ends.
class WelcomeDialogProc : public platform::DialogHandler {
public:
    explicit WelcomeDialogProc(ProcessContext& ctx) : ctx_(ctx) {}

    bool OnInitDialog(platform::NativeHandle dialog) override;
    bool OnCommand(platform::NativeHandle dialog, int id, int notification) override;
    platform::NativeHandle OnCtlColorStatic(platform::NativeHandle dialog,
                                            platform::NativeHandle dc,
                                            platform::NativeHandle control) override;
    bool OnDrawItem(platform::NativeHandle dialog, const platform::DrawItem& item) override;

private:
    void SetFonts(platform::NativeHandle dialog);
    std::wstring AutomaticLocale();

    ProcessContext& ctx_;
    // Control 1014 once it has been moved into the notice panel: its text is painted by the
    // panel, so the panel needs to find it.
    platform::NativeHandle noticeTextWindow_ = platform::kNullHandle;
    platform::NativeHandle largeFont_ = platform::kNullHandle;
    platform::NativeHandle smallFont_ = platform::kNullHandle;
    platform::NativeHandle imageList_ = platform::kNullHandle;
    platform::NativeHandle panelBrush_ = platform::kNullHandle;
    platform::NativeHandle panelPen_ = platform::kNullHandle;
};

// Fills the language selector with every pack's flag and name in pack order and selects the
// automatic choice. Returns the selector's image list.
platform::NativeHandle FillLanguageCombo(ProcessContext& ctx, platform::NativeHandle combo);

// Sets every text of the dialog in the locale `code`; `noticeTextWindow` (null when the
// dialog shows no notice) gets the notice.
void ApplyLanguageTexts(ProcessContext& ctx, platform::NativeHandle dialog,
                        const std::wstring& code, platform::NativeHandle noticeTextWindow);

// Asks, in the locale `code` and owned by `owner`, whether the user really wants to cancel.
// On Yes opens the cancellation page and returns 1; otherwise -1.
int ConfirmCancel(ProcessContext& ctx, const std::wstring& code, platform::NativeHandle owner);

}  // namespace quorix
