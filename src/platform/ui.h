// Message boxes and the other user-interface services.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

inline constexpr std::uint32_t kMbOk = 0x00;
inline constexpr std::uint32_t kMbYesNo = 0x04;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconWarning = 0x30;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

inline constexpr std::uint32_t kIccStandardClasses = 0x4000;

class Ui {
public:
    virtual ~Ui() = default;
    // InitCommonControlsEx with dwSize 8 and the given classes.
    virtual bool InitCommonControls(std::uint32_t classes) = 0;
    // MessageBoxW with no owner window. A null caption lets Windows show its default caption.
    // Returns the button pressed (0 when the box could not be shown).
    virtual int ShowMessageBox(const wchar_t* caption, const std::wstring& text,
                           std::uint32_t style) = 0;
    // MessageBoxW(owner, text, caption, style): the box is modal to `owner`, which also receives
    // WM_HELP when the box has a Help button and it is pressed.
    virtual int ShowOwnedMessageBox(NativeHandle owner, const wchar_t* caption,
                                    const std::wstring& text, std::uint32_t style) = 0;
    // The welcome dialog's host: the modal dialog with the language pack at
    // `preselectedPosition` selected. Returns what DialogBoxParamW returns for it: the position
    // chosen with Next, or a negative value when it was closed without a choice or could not
    // be shown. *customInstallation is set only with a choice: whether the custom-installation
    // box was ticked as Next was pressed.
    virtual std::intptr_t RunWelcomeDialog(int preselectedPosition, bool* customInstallation) = 0;
};

}  // namespace quorix::platform
