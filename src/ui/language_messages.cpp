#include "ui/language_messages.h"

#include "common/text.h"
#include "core/process_exit.h"
#include "core/release.h"
#include "installed/version_decision.h"
#include "platform/ui.h"
#include "ui/language_catalog.h"
#include "ui/language_packs.h"
#include "ui/language_selection.h"

namespace quorix {

namespace {

constexpr std::size_t kMessageCapacity = 4096;
constexpr std::size_t kResourceTextCapacity = 1024;

// The locale of the pack that fits the user best. Both boxes assume the executable carries at
// least one pack; without one the run ends like every other caller that needs a pack.
std::wstring BestLocale(ProcessContext& ctx) {
    ui::BuildCatalog(ctx.state.catalog);
    EnumerateLanguagePacks(ctx);
    if (ctx.state.foundPacks.Empty()) FatalErrorExit(ctx, kEFail, L"No language pack found");
    return LocaleCodeAt(ctx.state.foundPacks, static_cast<std::size_t>(FindBestLanguage(ctx)));
}

}  // namespace

int AskRestartForPendingInstallation(ProcessContext& ctx) {
    const std::wstring code = BestLocale(ctx);
    const std::wstring text =
        FormatBounded(ui::LookupText(ctx.state.catalog, ui::MessageKey::PendingInstallation, code),
                      {kProductName}, kMessageCapacity);
    return ctx.os.ui.ShowMessageBox(kProductName, text,
                                    platform::kMbYesNo | platform::kMbIconWarning);
}

int ShowInstalledVersionMessage(ProcessContext& ctx, const std::wstring& productCode, int kind) {
    const std::wstring code = BestLocale(ctx);
    std::wstring installedVersion;
    GetInstalledVersion(ctx, productCode, &installedVersion);  // stays empty on failure

    const ui::TextCatalog& catalog = ctx.state.catalog;
    std::wstring text;
    std::uint32_t style = 0;
    switch (static_cast<InstalledVersionMessageKind>(kind)) {
        case InstalledVersionMessageKind::NewerInstalled:
            text =
                FormatBounded(ui::LookupText(catalog, ui::MessageKey::NewerVersionInstalled, code),
                              {kProductName, kReleaseVersionText, kProductName}, kMessageCapacity);
            style = platform::kMbOk | platform::kMbIconInformation;
            break;
        case InstalledVersionMessageKind::OlderInstalled:
            text = FormatBounded(
                ui::LookupText(catalog, ui::MessageKey::OlderVersionInstalled, code),
                {kProductName, installedVersion, kProductName, kReleaseVersionText, kProductName},
                kMessageCapacity);
            style = platform::kMbYesNo | platform::kMbIconQuestion;
            break;
        case InstalledVersionMessageKind::SameInstalled:
            text = FormatBounded(ui::LookupText(catalog, ui::MessageKey::AlreadyInstalled, code),
                                 {kProductName, kProductName}, kMessageCapacity);
            style = platform::kMbYesNo | platform::kMbIconQuestion;
            break;
        default:
            return platform::kIdYes;
    }
    return ctx.os.ui.ShowMessageBox(kProductName, text, style);
}

std::wstring LoadResourceText(ProcessContext& ctx, std::uint32_t id) {
    std::wstring text;
    if (ctx.os.resources.LoadStringText(id, kResourceTextCapacity, &text) == 0)
        return std::wstring();
    return text;
}

}  // namespace quorix
