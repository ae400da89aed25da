#include "installed/language_pack_removal.h"

#include <cstring>
#include <string>
#include <string_view>

#include "common/result_codes.h"
#include "core/installer_log.h"
#include "platform/installer.h"

namespace quorix {

namespace {

// The walk compares whole buffers, terminator included, so every code must fill one exactly.
constexpr bool EveryPackCodeFillsABuffer() {
    for (const wchar_t* code : LanguagePackProductCodes) {
        if (std::char_traits<wchar_t>::length(code) + 1 != platform::kProductCodeCapacity) {
            return false;
        }
    }
    return true;
}
static_assert(EveryPackCodeFillsABuffer(), "a language pack's code is not a braced GUID");
static_assert(LanguagePackProductCodes.size() <= 32, "one bit a pack");

}  // namespace

void RemoveLanguagePacks(ProcessContext& ctx, std::int32_t uiLevel) {
    platform::Installer& installer = ctx.os.installer;
    const std::int32_t previous = installer.SetInternalUi(uiLevel);
    // One walk over the installed products costs less than a question per pack. It ends before
    // the first removal, which would renumber the products not yet listed. A walk that fails
    // part way leaves the packs it never listed in place, as a failed question did. A package's
    // product code is upper case by the installer's rules, as each code in the table is: the
    // buffers are compared as they stand.
    std::uint32_t listed = 0;  // bit i: LanguagePackProductCodes[i]
    wchar_t code[platform::kProductCodeCapacity];
    for (std::uint32_t index = 0; installer.EnumProducts(index, code) == kErrorSuccess; ++index) {
        for (std::size_t pack = 0; pack < LanguagePackProductCodes.size(); ++pack) {
            if (std::memcmp(code, LanguagePackProductCodes[pack], sizeof code) == 0) {
                listed |= 1u << pack;
            }
        }
    }
    for (std::size_t pack = 0; pack < LanguagePackProductCodes.size(); ++pack) {
        if ((listed >> pack & 1u) == 0) continue;
        const std::wstring_view packCode(LanguagePackProductCodes[pack],
                                         platform::kProductCodeCapacity - 1);
        const std::uint32_t result = installer.ConfigureProduct(
            packCode.data(), platform::kInstallLevelDefault, platform::kInstallStateAbsent);
        LogInstallerCall(ctx, "removal of language pack ", packCode, uiLevel, result);
    }
    installer.SetInternalUi(previous);
}

}  // namespace quorix
