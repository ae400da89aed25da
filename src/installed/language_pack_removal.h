// The product's language packs: their product codes, and removing whichever of them is present.
#pragma once

#include <array>
#include <cstdint>

#include "core/process_state.h"

namespace quorix {

// The product codes of the product's language packs, in the order the sweep visits them.
inline constexpr std::array<const wchar_t*, 15> LanguagePackProductCodes = {
    L"{907A70C3-1012-F037-B64C-E4228C38FB29}", L"{18F135D2-5F55-7203-3018-50C5A38FD547}",
    L"{923A7369-94E3-BF91-1A61-DBE22E44158B}", L"{AE97BA94-D0ED-A82F-8F6D-05584EF8AA38}",
    L"{92276658-1E27-A1C0-8A6A-63EC24EDE6A4}", L"{6B4CB242-4A23-D596-2217-BEADDBC496CB}",
    L"{8E81973E-0BEC-D7B0-3898-D190F9EBDACC}", L"{0CB1E29C-658C-DA14-95E6-0AF593BD04CF}",
    L"{0FD630F1-F29D-0DA9-953F-48F1A09F76B5}", L"{A170B338-3926-3059-F28C-105D1FB17C23}",
    L"{90C192CF-D3AC-94AF-0F21-DDB66CAD4A26}", L"{8D116ECE-1738-F7D9-3D9C-172411E20B8F}",
    L"{6B0D549B-6F03-675A-1600-A35A099950D8}", L"{36F675CC-81E7-4EF5-E8E2-5D940ED90475}",
    L"{9531985D-5D9D-C9F8-1818-E811892F902B}",
};

// Removes every language pack of the product that is present, with `uiLevel` in force during
// the sweep and the previous level restored after it. Failures are ignored.
void RemoveLanguagePacks(ProcessContext& ctx, std::int32_t uiLevel);

}  // namespace quorix
