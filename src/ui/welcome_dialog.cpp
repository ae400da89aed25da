#include "ui/welcome_dialog.h"

#include <exception>

#include "bootstrap/entry.h"
#include "package/package_extraction.h"
#include "ui/language_catalog.h"
#include "ui/language_packs.h"
#include "ui/language_selection.h"

namespace quorix {

// The dialog's template, pictures and procedure come with the welcome-dialog work; the host
// behind the seam stands in for it until then. `mode` only changes what the dialog shows.
WelcomeChoice ShowWelcomeDialog(ProcessContext& ctx, std::int32_t mode) {
    ui::BuildCatalog(ctx.state.catalog);
    EnumerateLanguagePacks(ctx);
    const FoundPackList& packs = ctx.state.foundPacks;
    if (packs.Empty()) FatalErrorExit(ctx, kEFail, L"No language pack found");

    bool customInstallation = false;
    const std::intptr_t result = ctx.os.ui.RunWelcomeDialog(FindBestLanguage(ctx),
                                                            &customInstallation);
    // A position the list does not have can only come from a broken dialog: it is no choice.
    if (result < 0 || static_cast<std::uintptr_t>(result) >= packs.Size()) {
        ctx.os.system.ExitProcess(1);
        std::terminate();  // not reached: ExitProcess does not return
    }
    const auto position = static_cast<std::size_t>(result);
    // Only Next records the box; a closed dialog never gets here.
    ctx.state.customInstallationRequested = customInstallation;

    WelcomeChoice choice;
    choice.localeCode = LocaleCodeAt(packs, position);
    choice.languagePackFile = ExtractLanguagePack(ctx, packs.resourceName[position]);
    return choice;
}

}  // namespace quorix
