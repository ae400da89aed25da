#include "installed/language_pack_removal.h"

#include <string>

#include "core/installer_log.h"
#include "platform/installer.h"

namespace quorix {

namespace {

// The installer answers only for a braced GUID of exactly this length.
constexpr bool EveryPackCodeIsABracedGuidLength() {
    for (const wchar_t* code : LanguagePackProductCodes) {
        if (std::char_traits<wchar_t>::length(code) + 1 != platform::kProductCodeCapacity) {
            return false;
        }
    }
    return true;
}
static_assert(EveryPackCodeIsABracedGuidLength(), "a language pack's code is not a braced GUID");

}  // namespace

void RemoveLanguagePacks(ProcessContext& ctx, std::int32_t uiLevel) {
    platform::Installer& installer = ctx.os.installer;
    const std::int32_t previous = installer.SetInternalUi(uiLevel);
    // One question per pack: a question that fails (a broken registration) leaves only that
    // pack in place, never the packs after it.
    for (const wchar_t* code : LanguagePackProductCodes) {
        const std::int32_t state = installer.QueryProductState(code);
        if (state == platform::kInstallStateUnknown || state == platform::kInstallStateAbsent) {
            continue;
        }
        const std::uint32_t result = installer.ConfigureProduct(
            code, platform::kInstallLevelDefault, platform::kInstallStateAbsent);
        LogInstallerCall(ctx, "removal of language pack ", code, uiLevel, result);
    }
    installer.SetInternalUi(previous);
}

}  // namespace quorix
