#include "report/session_record.h"

#include <vector>

#include "common/result_codes.h"
#include "common/text.h"
#include "core/product_constants.h"
#include "core/registry_values.h"
#include "report/session_ids.h"

namespace quorix {

namespace {

constexpr std::uint32_t kKeyReadWrite = platform::kKeyRead | platform::kKeyWrite;
// MAX_PATH, as the report's own lookup of the program's file uses.
constexpr std::uint32_t kOwnPathCapacity = 260;

// The program's own file as its command line names it.
std::wstring ProgramPathFromCommandLine(ProcessContext& ctx) {
    std::vector<std::wstring> argv;
    if (!ctx.os.system.GetCommandLineArguments(&argv) || argv.empty()) return std::wstring();
    return argv[0];
}

// The program's own file as the loader knows it; empty when the path cannot be had whole.
std::wstring OwnProgramPath(ProcessContext& ctx) {
    std::wstring path;
    const std::uint32_t count = ctx.os.files.GetOwnModulePath(kOwnPathCapacity, &path);
    // A cut path names another file, or none.
    return count == 0 || count >= kOwnPathCapacity ? std::wstring() : path;
}

// When the program's file was written, i.e. downloaded; empty when that cannot be told.
std::wstring DownloadTime(ProcessContext& ctx, const std::wstring& programPath) {
    platform::FileAttributeData data;
    platform::SystemTime time;
    if (programPath.empty() || !ctx.os.files.GetAttributesEx(programPath, &data) ||
        !ctx.os.system.ConvertFileTime(data.lastWriteTime, &time)) {
        return std::wstring();
    }
    return FormatSystemTime(time);
}

std::uint32_t CreateKeyForWriting(ProcessContext& ctx, platform::RegistryKey root,
                                  const std::wstring& path, platform::UniqueRegistryKey* key) {
    return ctx.os.registry.CreateKey(root, path, platform::kRegOptionNonVolatile, kKeyReadWrite,
                                     key->Receive(), nullptr);
}

// Writes the GUID's text as the key's default value. A GUID that cannot be formatted is not
// written: the identifier is informational and its absence must not stop the installation.
void WriteInstallationGuid(ProcessContext& ctx, platform::RegistryKey key,
                           const platform::Guid& guid) {
    std::wstring text;
    try {
        text = GuidToString(ctx, guid);
    } catch (const CallFailed&) {
        return;
    }
    SetStringValue(ctx.os.registry, key, L"", text);
}

}  // namespace

void RecordSession(ProcessContext& ctx, const std::wstring& affiliateFlags) {
    const std::wstring download = DownloadTime(ctx, ProgramPathFromCommandLine(ctx));
    platform::SystemTime now;
    ctx.os.system.GetSystemTimeUtc(&now);
    const std::wstring install = FormatSystemTime(now);

    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (CreateKeyForWriting(ctx, platform::kHkeyLocalMachine,
                            kSessionRecordsPath + ctx.state.affiliateId, &key) != kErrorSuccess) {
        ctx.state.log.Write("records", {"the session record of affiliate ", ctx.state.affiliateId,
                                        " could not be created"});
        return;
    }
    // Each value on its own: one that cannot be written leaves the others to be tried.
    int failed = 0;
    failed += SetStringValue(registry, key.Get(), L"SID", ctx.state.affiliateId) != kErrorSuccess;
    failed += SetStringValue(registry, key.Get(), L"Install", install) != kErrorSuccess;
    failed += SetStringValue(registry, key.Get(), L"Download", download) != kErrorSuccess;
    failed +=
        SetDwordValue(registry, key.Get(), L"Flags",
                      static_cast<std::uint32_t>(LeadingDecimal(affiliateFlags))) != kErrorSuccess;
    ctx.state.log.Write("records", {"session of affiliate ", ctx.state.affiliateId,
                                    failed == 0 ? " recorded" : " recorded in part"});
}

void RecordCurrentSession(ProcessContext& ctx) {
    std::wstring path = kProductKeyPath;
    std::uint32_t ms = 0, ls = 0;
    // By now the current folder is the Windows folder, so a relative argv[0] would name
    // another file or none: the loader's own record of our file does not depend on it.
    const std::wstring program = OwnProgramPath(ctx);
    if (!program.empty() && ctx.os.system.GetFileVersionNumbers(program, &ms, &ls)) {
        path += ToDecimal(ms >> 16) + L".0";
    }
    platform::UniqueRegistryKey key(ctx.os.registry);
    if (CreateKeyForWriting(ctx, platform::kHkeyLocalMachine, path, &key) != kErrorSuccess ||
        SetStringValue(ctx.os.registry, key.Get(), L"CurSID", ctx.state.affiliateId) !=
            kErrorSuccess) {
        ctx.state.log.Write("records", {"the current session could not be recorded"});
        return;
    }
    ctx.state.log.Write("records", {"current session recorded: ", ctx.state.affiliateId});
}

void EnsureInstallationGuid(ProcessContext& ctx) {
    platform::ComScope com(ctx.os.com);
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey setupKey(registry);
    const bool exists = registry.OpenKey(platform::kHkeyLocalMachine, kSetupKeyPath,
                                         platform::kKeyRead, setupKey.Receive()) == kErrorSuccess;
    setupKey.Reset();
    platform::Guid guid;

    if (!exists) {
        if (ctx.os.com.CreateGuid(&guid) < 0) return;
        // A user without write access to the machine's keys keeps the GUID in their own.
        if (CreateKeyForWriting(ctx, platform::kHkeyLocalMachine, kSetupKeyPath, &setupKey) !=
                kErrorSuccess &&
            CreateKeyForWriting(ctx, platform::kHkeyCurrentUser, kSetupKeyPath, &setupKey) !=
                kErrorSuccess) {
            return;
        }
        WriteInstallationGuid(ctx, setupKey.Get(), guid);
        return;
    }

    if (registry.OpenKey(platform::kHkeyLocalMachine, kSetupKeyPath,
                         platform::kKeyRead | platform::kKeySetValue,
                         setupKey.Receive()) != kErrorSuccess) {
        return;
    }
    if (FindInstallationGuid(ctx, setupKey.Get())) return;
    if (ctx.os.com.CreateGuid(&guid) < 0) return;
    WriteInstallationGuid(ctx, setupKey.Get(), guid);
}

}  // namespace quorix
