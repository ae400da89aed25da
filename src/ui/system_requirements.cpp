#include "ui/system_requirements.h"

#include <exception>
#include <string>

#include "common/text.h"
#include "core/process_exit.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "report/help_links.h"
#include "ui/language_messages.h"

namespace quorix {

namespace {

// Used only when the string table cannot give a text: an empty box would leave the user with
// nothing but a setup that quits.
constexpr const wchar_t* kFallbackCaption = L"System requirements are not met";
constexpr const wchar_t* kFallbackNotSupported =
    L"Your Windows version is not supported by this product.\r\n\r\nYou need at least Windows "
    L"XP with Service Pack 2 or newer, or Windows Vista, to install this product.";
constexpr const wchar_t* kFallbackXpUpdate =
    L"You must update your version of Windows XP before you can install this product.\r\n\r\n"
    L"Please install Service Pack 2 (or newer) for Windows XP and then restart the installation "
    L"of Velora Quorix 2011.\r\n\r\nWould you like to go to the Windows Update web site now?";

std::wstring TextOrFallback(ProcessContext& ctx, std::uint32_t id, const wchar_t* fallback) {
    std::wstring text = LoadResourceText(ctx, id);
    return text.empty() ? std::wstring(fallback) : text;
}

void OpenMicrosoftPage(ProcessContext& ctx, platform::NativeHandle window, const wchar_t* url) {
    platform::ShellRequest request;
    request.owner = window;
    request.verb = L"open";
    request.file = url;
    request.show = platform::kSwShow;
    ctx.os.shell.Execute(request);  // a page that does not open changes nothing here
}

// Binds the window procedure to the process it serves.
class RequirementsWindow : public platform::WindowHandler {
public:
    explicit RequirementsWindow(ProcessContext& ctx) : ctx_(ctx) {}
    void OnMessage(platform::NativeHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override {
        // A help page only informs: whatever goes wrong opening it, the box stays usable.
        try {
            RequirementsWindowProc(ctx_, window, message, wParam, lParam);
        } catch (const std::exception&) {
        }
    }

private:
    ProcessContext& ctx_;
};

// The class stays registered exactly as long as the handler it points to exists.
class ClassRegistration {
public:
    ClassRegistration(platform::Ui& ui, const platform::WindowClass& windowClass)
        : ui_(ui), name_(windowClass.name), registered_(ui.RegisterWindowClass(windowClass) != 0) {}
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration() {
        if (registered_) ui_.UnregisterWindowClass(name_);
    }
    bool Registered() const { return registered_; }

private:
    platform::Ui& ui_;
    std::wstring name_;
    bool registered_;
};

// Destroys the window on every way out, unless the caller destroyed it to learn the result.
class WindowOwner {
public:
    WindowOwner(platform::Ui& ui, platform::NativeHandle window) : ui_(ui), window_(window) {}
    WindowOwner(const WindowOwner&) = delete;
    WindowOwner& operator=(const WindowOwner&) = delete;
    ~WindowOwner() {
        if (window_ != platform::kNullHandle) ui_.DestroyWindowHandle(window_);
    }
    platform::NativeHandle Get() const { return window_; }
    bool Destroy() {
        const platform::NativeHandle window = window_;
        window_ = platform::kNullHandle;
        return ui_.DestroyWindowHandle(window);
    }

private:
    platform::Ui& ui_;
    platform::NativeHandle window_;
};

bool ShowWindowlessError(ProcessContext& ctx) {
    const std::wstring caption = TextOrFallback(ctx, kRequirementsCaptionId, kFallbackCaption);
    ctx.os.ui.ShowMessageBox(caption.c_str(),
                             TextOrFallback(ctx, kWindowsNotSupportedTextId, kFallbackNotSupported),
                             platform::kMbIconError);
    return false;
}

}  // namespace

void CheckSystemRequirements(ProcessContext& ctx) {
    platform::OsVersionInfo version;
    if (!ctx.os.system.GetVersionInfo(&version)) {
        ctx.state.log.Write("requirements", {"Windows version unknown, taken as met"});
        return;  // unknown counts as good enough
    }

    if (version.majorVersion < 5 || (version.majorVersion == 5 && version.minorVersion == 0)) {
        ctx.state.requirementsStatus = kWindowsNotSupported;
    } else if (version.majorVersion == 5 && version.minorVersion == 1 &&
               version.servicePackMajor < 2) {
        ctx.state.requirementsStatus = kWindowsXpBeforeSp2;
    }
    const std::uint32_t servicePack = version.servicePackMajor;
    if (ctx.state.requirementsStatus == kRequirementsMet) {
        ctx.state.log.Write("requirements",
                            {"met: Windows ", version.majorVersion, ".", version.minorVersion,
                             " with service pack ", servicePack});
        return;
    }

    const char* why = ctx.state.requirementsStatus == kWindowsXpBeforeSp2
                          ? "Windows XP needs Service Pack 2"
                          : "this Windows is not supported";
    ctx.state.log.Write("requirements",
                        {"not met: Windows ", version.majorVersion, ".", version.minorVersion,
                         " with service pack ", servicePack, ": ", why});
    WriteExitLine(ctx, ExitCode::RequirementsNotMet,
                  {"the system requirements are not met: ", why});
    ShowRequirementsMessage(ctx);
    EndLoggedRun(ctx, ExitCode::RequirementsNotMet);
}

bool ShowRequirementsMessage(ProcessContext& ctx) {
    platform::Ui& ui = ctx.os.ui;
    RequirementsWindow handler(ctx);
    platform::WindowClass windowClass;
    windowClass.name = kRequirementsWindowClass;
    windowClass.style = platform::kCsHRedraw | platform::kCsVRedraw;
    windowClass.handler = &handler;
    windowClass.cursorId = platform::kIdcArrow;
    windowClass.background = platform::kColorWindow + 1;
    ClassRegistration registration(ui, windowClass);
    if (!registration.Registered()) return ShowWindowlessError(ctx);

    platform::WindowSpec spec;
    spec.className = kRequirementsWindowClass;
    spec.title = kRequirementsWindowClass;
    spec.style = platform::kWsOverlappedWindow;
    spec.width = 1;
    spec.height = 1;
    WindowOwner window(ui, ui.CreateWindowHandle(spec));
    if (window.Get() == platform::kNullHandle) return ShowWindowlessError(ctx);

    const std::wstring caption = TextOrFallback(ctx, kRequirementsCaptionId, kFallbackCaption);
    if (ctx.state.requirementsStatus == kWindowsXpBeforeSp2) {
        const int answer = ui.ShowOwnedMessageBox(
            window.Get(), caption.c_str(),
            TextOrFallback(ctx, kWindowsXpUpdateTextId, kFallbackXpUpdate),
            platform::kMbHelp | platform::kMbIconWarning | platform::kMbYesNo);
        if (answer == platform::kIdYes) OpenMicrosoftPage(ctx, window.Get(), kWindowsUpdateAddress);
    } else if (ctx.state.requirementsStatus == kWindowsNotSupported) {
        ui.ShowOwnedMessageBox(
            window.Get(), caption.c_str(),
            TextOrFallback(ctx, kWindowsNotSupportedTextId, kFallbackNotSupported),
            platform::kMbHelp | platform::kMbIconError);
    }
    return window.Destroy();
}

void RequirementsWindowProc(ProcessContext& ctx, platform::NativeHandle window,
                            std::uint32_t message, std::uintptr_t, std::intptr_t) {
    if (message != platform::kWmHelp) return;
    // Each press opens the page again: the box stays open until it is answered.
    if (ctx.state.requirementsStatus == kWindowsXpBeforeSp2) {
        OpenMicrosoftPage(ctx, window, kServicePackArticleAddress);
    } else {
        OpenRequirementsLink(ctx, window);
    }
}

}  // namespace quorix
