#include "ui/welcome_dialog.h"

#include "core/process_exit.h"
#include "package/package_extraction.h"
#include "report/help_links.h"
#include "ui/language_catalog.h"
#include "ui/language_packs.h"
#include "ui/language_selection.h"
#include "ui/welcome_layout.h"

namespace quorix {

using platform::NativeHandle;

WelcomeChoice ShowWelcomeDialog(ProcessContext& ctx, ConfigureAction mode) {
    ctx.state.welcomeMode = mode;
    ui::BuildCatalog(ctx.state.catalog);
    EnumerateLanguagePacks(ctx);
    const FoundPackList& packs = ctx.state.foundPacks;
    if (packs.Empty()) FatalErrorExit(ctx, kEFail, L"No language pack found");

    // The template's selector is a ComboBoxEx32: its class must be registered before
    // DialogBoxParamW creates the controls, or the dialog cannot be created at all.
    ctx.os.ui.InitCommonControls(platform::kIccUserExClasses);
    WelcomeDialogProc procedure(ctx);
    const std::intptr_t result =
        ctx.os.dialogs.RunModalDialog(ui::kWelcomeDialogTemplate, procedure);
    // A position the list does not have can only come from a broken dialog: it is no choice.
    if (result < 0 || static_cast<std::uintptr_t>(result) >= packs.Size()) {
        EndRun(ctx, ExitCode::Failure, {"the welcome dialog was closed without a choice"});
    }
    const auto position = static_cast<std::size_t>(result);

    WelcomeChoice choice;
    choice.localeCode = LocaleCodeAt(packs, position);
    choice.languagePackFile = ExtractLanguagePack(ctx, packs.resourceName[position]);
    return choice;
}

// ---------------------------------------------------------------- the procedure

std::wstring WelcomeDialogProc::AutomaticLocale() {
    return LocaleCodeAt(ctx_.state.foundPacks, static_cast<std::size_t>(FindBestLanguage(ctx_)));
}

bool WelcomeDialogProc::OnInitDialog(NativeHandle dialog) {
    platform::Dialogs& dialogs = ctx_.os.dialogs;
    for (int id : ui::ControlsHiddenForPackCount(ctx_.state.foundPacks.Size())) {
        dialogs.ShowControl(dialogs.GetControl(dialog, id), platform::kSwHide);
    }

    if (ctx_.state.welcomeMode == PreviousGenerationInstalled) {
        const NativeHandle panel = dialogs.GetControl(dialog, ui::kNoticePanel);
        const NativeHandle picture = dialogs.GetControl(dialog, ui::kNoticePicture);
        const NativeHandle text = dialogs.GetControl(dialog, ui::kNoticeText);
        dialogs.ShowControl(picture, platform::kSwShow);
        dialogs.ShowControl(panel, platform::kSwShow);
        // The template places picture and text at positions inside the panel; SetParent keeps
        // those numbers, which then count from the panel's corner.
        dialogs.ChangeParent(picture, panel);
        dialogs.ChangeParent(text, panel);
        noticeTextWindow_ = text;
    }

    // Filled even when hidden: Next reads the selection, which is then the one pack.
    imageList_ = FillLanguageCombo(ctx_, dialogs.GetControl(dialog, ui::kLanguageCombo));
    SetFonts(dialog);
    ApplyLanguageTexts(ctx_, dialog, AutomaticLocale(), noticeTextWindow_);
    return true;
}

void WelcomeDialogProc::SetFonts(NativeHandle dialog) {
    platform::Dialogs& dialogs = ctx_.os.dialogs;
    const NativeHandle combo = dialogs.GetControl(dialog, ui::kLanguageCombo);
    int dpi = 0;
    if (const NativeHandle dc = dialogs.GetWindowDc(combo); dc != platform::kNullHandle) {
        dpi = dialogs.GetDeviceCapability(dc, platform::kLogPixelsY);
        dialogs.ReleaseWindowDc(combo, dc);
    }
    // Without an answer from the screen, its usual resolution gives readable fonts rather
    // than the zero height a zero dpi would ask for.
    if (dpi <= 0) dpi = ui::kDefaultDpi;

    largeFont_ = dialogs.CreateFontOfHeight(ui::LargeFontHeight(dpi), ui::kWelcomeFontFace);
    smallFont_ = dialogs.CreateFontOfHeight(ui::SmallFontHeight(dpi), ui::kWelcomeFontFace);
    for (int id : ui::LargeFontControls()) {
        dialogs.SendSetFont(dialogs.GetControl(dialog, id), largeFont_, false);
    }
    for (int id : ui::SmallFontControls()) {
        dialogs.SendSetFont(dialogs.GetControl(dialog, id), smallFont_, false);
    }
}

bool WelcomeDialogProc::OnCommand(NativeHandle dialog, int id, int notification) {
    platform::Dialogs& dialogs = ctx_.os.dialogs;
    const FoundPackList& packs = ctx_.state.foundPacks;
    switch (id) {
        case ui::kNextButton: {
            ctx_.state.customInstallationRequested =
                dialogs.GetButtonCheck(dialog, ui::kCustomInstallationBox) == platform::kBstChecked;
            std::intptr_t position =
                dialogs.GetComboSelection(dialogs.GetControl(dialog, ui::kLanguageCombo));
            // A selector that lost its selection must not turn Next into a cancel: the
            // automatic choice is what it showed first.
            if (position < 0 || static_cast<std::uintptr_t>(position) >= packs.Size()) {
                position = FindBestLanguage(ctx_);
            }
            dialogs.EndModalDialog(dialog, position);
            return true;
        }
        case ui::kCancelCommand:
            // The question speaks the automatic language, whatever the selector shows now.
            if (ConfirmCancel(ctx_, AutomaticLocale(), dialog) > 0) {
                dialogs.EndModalDialog(dialog, -1);
            }
            return true;
        case ui::kLanguageCombo:
            if (notification == platform::kCbnSelChange) {
                const std::intptr_t position =
                    dialogs.GetComboSelection(dialogs.GetControl(dialog, ui::kLanguageCombo));
                if (position >= 0 && static_cast<std::uintptr_t>(position) < packs.Size()) {
                    ApplyLanguageTexts(ctx_, dialog,
                                       LocaleCodeAt(packs, static_cast<std::size_t>(position)),
                                       noticeTextWindow_);
                    // The statics paint over the banner with a hollow brush: without erasing,
                    // the old text would stay visible under the new one.
                    dialogs.InvalidateWhole(dialog, true);
                    dialogs.UpdateNow(dialog);
                }
            } else if (notification == platform::kCbnCloseUp) {
                dialogs.SetKeyboardFocus(dialogs.GetControl(dialog, ui::kNextButton));
            }
            return false;
        default:
            return false;
    }
}

NativeHandle WelcomeDialogProc::OnCtlColorStatic(NativeHandle /*dialog*/, NativeHandle dc,
                                                 NativeHandle control) {
    platform::Dialogs& dialogs = ctx_.os.dialogs;
    const ui::StaticColouring colouring = ui::ColouringForStatic(dialogs.GetControlId(control));
    if (!colouring.hollowBrush) return platform::kNullHandle;
    if (colouring.setTextColor) dialogs.SetDcTextColor(dc, colouring.textColor);
    return dialogs.GetStockGdiObject(platform::kNullBrush);
}

bool WelcomeDialogProc::OnDrawItem(NativeHandle /*dialog*/, const platform::DrawItem& item) {
    if (item.controlId != ui::kNoticePanel) return false;
    platform::Dialogs& dialogs = ctx_.os.dialogs;
    if (panelBrush_ == platform::kNullHandle) {
        panelBrush_ = dialogs.CreateSolidBrushOf(ui::kNoticeFillColor);
    }
    if (panelPen_ == platform::kNullHandle) {
        panelPen_ =
            dialogs.CreatePenOf(platform::kPsSolid, ui::kNoticeBorderWidth, ui::kNoticeBorderColor);
    }
    dialogs.SelectIntoDc(item.dc, panelBrush_);
    dialogs.SelectIntoDc(item.dc, panelPen_);
    dialogs.DrawRectangle(item.dc, item.rect);

    if (noticeTextWindow_ == platform::kNullHandle) return false;
    platform::Rect bounds;
    if (!dialogs.GetWindowBounds(noticeTextWindow_, &bounds)) return false;
    platform::Point topLeft{bounds.left, bounds.top};
    platform::Point bottomRight{bounds.right, bounds.bottom};
    if (!dialogs.ScreenToClientPoint(item.window, &topLeft) ||
        !dialogs.ScreenToClientPoint(item.window, &bottomRight)) {
        return false;
    }
    std::wstring text;
    dialogs.GetText(noticeTextWindow_, ui::kNoticeTextCapacity, &text);
    dialogs.SetDcBackgroundMode(item.dc, platform::kTransparent);
    dialogs.DrawTextInto(item.dc, text,
                         platform::Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y},
                         platform::kDtWordBreak | platform::kDtNoPrefix);
    return false;
}

// ---------------------------------------------------------------- the operations it uses

NativeHandle FillLanguageCombo(ProcessContext& ctx, NativeHandle combo) {
    platform::Dialogs& dialogs = ctx.os.dialogs;
    ctx.os.ui.InitCommonControls(platform::kIccUserExClasses);
    const NativeHandle imageList = dialogs.CreateImageList(16, 14, platform::kIlcColor24,
                                                           static_cast<int>(ui::kLanguageCount), 0);
    const FoundPackList& packs = ctx.state.foundPacks;
    for (std::size_t position = 0; position < packs.Size(); ++position) {
        const std::int32_t index = packs.tableIndex[position];
        if (index < 0 || static_cast<std::size_t>(index) >= ui::kLanguageCount) continue;
        const ui::LanguageTableRow& row = ui::LanguageTable[index];
        platform::ComboExItem item;
        item.mask = platform::kCbeifText | platform::kCbeifImage | platform::kCbeifSelectedImage;
        item.item = static_cast<std::intptr_t>(position);
        item.text = row.displayName;
        item.image = static_cast<int>(position);
        item.selectedImage = static_cast<int>(position);
        dialogs.InsertComboExItem(combo, item);
        // The image list keeps its own copy of the picture.
        const NativeHandle flag = dialogs.LoadModuleBitmap(row.flagBitmapId);
        dialogs.AddToImageList(imageList, flag, platform::kNullHandle);
        if (flag != platform::kNullHandle) dialogs.DeleteGdiObject(flag);
    }
    dialogs.SetComboExImageList(combo, imageList);
    dialogs.SetComboSelection(combo, FindBestLanguage(ctx));
    return imageList;
}

void ApplyLanguageTexts(ProcessContext& ctx, NativeHandle dialog, const std::wstring& code,
                        NativeHandle noticeTextWindow) {
    platform::Dialogs& dialogs = ctx.os.dialogs;
    const bool withNotice = noticeTextWindow != platform::kNullHandle;
    for (const ui::ControlText& entry : ui::WelcomeTexts(ctx.state.catalog, code, withNotice)) {
        NativeHandle window = dialog;
        if (entry.controlId == ui::kNoticeText) {
            // No longer the dialog's child: GetDlgItem would not find it in the panel.
            window = noticeTextWindow;
        } else if (entry.controlId != ui::kDialogCaption) {
            window = dialogs.GetControl(dialog, entry.controlId);
        }
        dialogs.SetText(window, entry.text);
    }
}

int ConfirmCancel(ProcessContext& ctx, const std::wstring& code, NativeHandle owner) {
    const std::wstring text =
        ui::CancelQuestion(ctx.state.catalog, code, ctx.state.installedMajorVersion);
    const wchar_t* caption = ui::LookupText(ctx.state.catalog, ui::MessageKey::DialogTitle, code);
    const int answer = ctx.os.ui.ShowOwnedMessageBox(
        owner, caption, text, platform::kMbYesNo | platform::kMbIconQuestion);
    if (answer != platform::kIdYes) return -1;
    OpenCancelationLink(ctx, false);
    return 1;
}

}  // namespace quorix
