// Commands for the packages the executable carries: written out as the product writes them.
#include "core/process_exit.h"
#include "installed/data_folder.h"
#include "package/package_extraction.h"
#include "probe.h"
#include "probe_payload.h"
#include "probe_values.h"

namespace quorix::probe {
namespace {

// "--lock-target" holds the usual target open without sharing while the package is written,
// as a copy still open in an installer would, so the numbered names come into play.
int ExtractBase(ProcessContext& base, const std::vector<std::wstring>& args) {
    const bool lockTarget = args.size() == 1 && args[0] == L"--lock-target";
    if (!args.empty() && !lockTarget) return UsageError(L"extract-base [--lock-target]");
    PayloadContext payload(base);
    if (!payload.Ready()) return 1;
    ProcessContext& ctx = payload.Context();

    platform::UniqueHandle lock;
    if (lockTarget) {
        std::wstring folder;
        if (GetDataFolder(ctx, false, &folder) < 0 && GetDataFolder(ctx, true, &folder) < 0) {
            return UsageError(L"extract-base: no data folder to lock a file in");
        }
        const std::wstring target = folder + kBasePackage.fileStem + L".msi";
        lock = platform::UniqueHandle(
            ctx.os.system,
            ctx.os.files.CreateFileHandle(target, platform::kGenericWrite, 0,
                                          platform::kCreateAlways, platform::kFileAttributeNormal));
        if (!lock.IsValid()) return UsageError(L"extract-base: cannot lock the target");
        Print(L"locked", target);
    }
    Print(L"basePackage", ExtractBasePackage(ctx));
    return 0;
}

int ExtractPack(ProcessContext& base, const std::vector<std::wstring>& args) {
    if (args.size() != 1) return UsageError(L"extract-pack RESOURCE-NAME");
    PayloadContext payload(base);
    if (!payload.Ready()) return 1;
    Print(L"languagePack", ExtractLanguagePack(payload.Context(), args[0]));
    return 0;
}

// The system's text that an error box puts behind its context, with CR and LF written as
// \r and \n so that it stays on one line.
int SystemText(ProcessContext& ctx, const std::vector<std::wstring>& args) {
    std::uint32_t code = 0;
    if (args.size() != 1 || !ParseUnsigned(args[0], &code)) return UsageError(L"system-text CODE");
    std::wstring escaped;
    for (wchar_t c : FormatSystemError(ctx, code)) {
        if (c == L'\r') {
            escaped += L"\\r";
        } else if (c == L'\n') {
            escaped += L"\\n";
        } else {
            escaped += c;
        }
    }
    Print(L"text", escaped);
    return 0;
}

const Registration kExtractBase(L"extract-base", L"[--lock-target]  ExtractBasePackage",
                                ExtractBase);
const Registration kExtractPack(L"extract-pack", L"RESOURCE-NAME  ExtractLanguagePack",
                                ExtractPack);
const Registration kSystemText(L"system-text", L"CODE  FormatSystemError, CR/LF escaped",
                               SystemText);

}  // namespace
}  // namespace quorix::probe
