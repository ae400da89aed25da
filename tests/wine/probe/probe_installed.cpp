// Commands for what is installed: the installed-version decision, the raw version query it
// rests on, and the setup's data folder.
#include <algorithm>
#include <vector>

#include "core/release.h"
#include "installed/data_folder.h"
#include "installed/version_decision.h"
#include "probe.h"
#include "probe_values.h"

namespace quorix::probe {
namespace {

// The decision the entry procedure asks for, with this release's version words and code.
int Decision(ProcessContext& ctx, const std::vector<std::wstring>&) {
    ConfigureAction action = static_cast<ConfigureAction>(-1);
    const HResult result = GetRequiredMsiConfigureAction(
        ctx, kReleaseVersionLow, kReleaseVersionHigh, kThisProductCode, &action);
    Print(L"result", Hex32(static_cast<std::uint32_t>(result)));
    Print(L"action", SignedDecimal(action));
    Print(L"installedProductCode", ctx.state.installedProductCode);
    Print(L"installedMajorVersion", ToDecimal(ctx.state.installedMajorVersion));
    // What the older-version question would show: the version under the code found.
    std::wstring version;
    const std::wstring code = ctx.state.installedProductCode;
    const std::uint32_t versionResult = GetInstalledVersion(ctx, code, &version);
    Print(L"installedVersion.result", ToDecimal(versionResult));
    Print(L"installedVersion", version);
    return result < 0 ? 1 : 0;
}

// One MsiGetProductInfoW call with a buffer of the given capacity ("null": no buffer), filled
// with "~" beforehand so that what the installer wrote into it can be seen.
int ProductInfo(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    if (args.size() != 3) return UsageError(L"product-info CODE PROPERTY CAPACITY|null");
    const bool noBuffer = args[2] == L"null";
    std::uint32_t capacity = 0;
    if (!noBuffer && (!ParseUnsigned(args[2], &capacity) || capacity > 4096)) {
        return UsageError(L"product-info: CAPACITY is a number up to 4096, or null");
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(capacity) + 1, L'~');
    std::uint32_t inOut = noBuffer ? 0 : capacity;
    const std::uint32_t result = ctx.os.installer.GetProductInfo(
        args[0], args[1], noBuffer ? nullptr : buffer.data(), &inOut);
    Print(L"result", ToDecimal(result));
    Print(L"capacity", ToDecimal(inOut));
    if (noBuffer) return 0;
    const auto end = buffer.begin() + capacity;
    const auto terminator = std::find(buffer.begin(), end, L'\0');
    Print(L"terminatorAt",
          terminator == end ? std::wstring(L"none")
                            : ToDecimal(static_cast<std::uint64_t>(terminator - buffer.begin())));
    Print(L"buffer", std::wstring(buffer.begin(), terminator));
    return 0;
}

int DataFolder(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    if (args.size() != 1 || (args[0] != L"common" && args[0] != L"user")) {
        return UsageError(L"data-folder common|user");
    }
    std::wstring folder = L"<unchanged>";
    const HResult result = GetDataFolder(ctx, args[0] == L"user", &folder);
    Print(L"result", Hex32(static_cast<std::uint32_t>(result)));
    Print(L"folder", folder);
    return result < 0 ? 1 : 0;
}

int Attributes(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    if (args.size() != 1) return UsageError(L"attributes PATH");
    const std::uint32_t attributes = ctx.os.files.GetAttributes(args[0]);
    Print(L"attributes", Hex32(attributes));
    if (attributes == platform::kInvalidFileAttributes) {
        Print(L"error", ToDecimal(ctx.os.system.GetLastError()));
        return 1;
    }
    Print(L"hidden", (attributes & platform::kFileAttributeHidden) ? L"1" : L"0");
    Print(L"system", (attributes & platform::kFileAttributeSystem) ? L"1" : L"0");
    Print(L"directory", (attributes & platform::kFileAttributeDirectory) ? L"1" : L"0");
    return 0;
}

const Registration kDecision(L"decision", L"  GetRequiredMsiConfigureAction for this release",
                             Decision);
const Registration kProductInfo(L"product-info", L"CODE PROPERTY CAPACITY|null", ProductInfo);
const Registration kDataFolder(L"data-folder", L"common|user  GetDataFolder", DataFolder);
const Registration kAttributes(L"attributes", L"PATH  GetFileAttributesW", Attributes);

}  // namespace
}  // namespace quorix::probe
