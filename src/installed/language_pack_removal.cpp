#include "installed/language_pack_removal.h"

#include "core/installer_log.h"
#include "platform/installer.h"

namespace quorix {

void RemoveLanguagePacks(ProcessContext& ctx, std::int32_t uiLevel) {
    platform::Installer& installer = ctx.os.installer;
    const std::int32_t previous = installer.SetInternalUi(uiLevel);
    for (const wchar_t* code : LanguagePackProductCodes) {
        const std::int32_t state = installer.QueryProductState(code);
        if (state != platform::kInstallStateUnknown && state != platform::kInstallStateAbsent) {
            const std::uint32_t result = installer.ConfigureProduct(
                code, platform::kInstallLevelDefault, platform::kInstallStateAbsent);
            LogInstallerCall(ctx, "removal of language pack ", code, uiLevel, result);
        }
    }
    installer.SetInternalUi(previous);
}

}  // namespace quorix
