// The values that live for the whole process, created before the entry procedure runs.
// WinMain makes one; every test makes a fresh one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/configure_action.h"
#include "core/found_packs.h"
#include "core/release.h"
#include "core/run_log.h"
#include "core/text_catalog.h"
#include "platform/platform.h"

namespace quorix {

// A package written by this run and the handle, shared for reading only, that keeps it as it was
// written until the installer has read it.
struct HeldPackage {
    std::wstring path;
    platform::UniqueHandle handle;
    // The resource the file was written from.
    std::wstring resourceName;
};

struct ProcessState {
    // The single-instance mutex, held until the process ends.
    platform::NativeHandle instanceMutex = platform::kNullHandle;
    // Installer properties from the stamped tag, and the affiliate and flags they pass on
    // (all three replaced together when a tag is read).
    std::wstring tagProperties = kDefaultTagProperties;
    std::wstring affiliateId = kDefaultAffiliateId;
    std::wstring affiliateFlags = L"0";

    std::wstring installedProductCode = kThisProductCode;
    std::uint32_t installedMajorVersion = 0;
    bool customInstallationRequested = false;
    // The installed-version decision the welcome dialog was shown for (3: the previous
    // generation is removed on the way, which the dialog announces).
    ConfigureAction welcomeMode = NoDecision;
    // 0 the system is supported, 1 this Windows is not, 2 Windows XP before Service Pack 2.
    std::int32_t requirementsStatus = 0;
    FoundPackList foundPacks;
    TextCatalog catalog;
    // The extracted packages not yet handed to the installer.
    std::vector<HeldPackage> heldPackages;
    // Started by the entry procedure; until then (an operation run on its own) it writes nothing.
    RunLog log;
};

// What every operation is handed: the platform and the process-wide values.
struct ProcessContext {
    platform::Platform& os;
    ProcessState& state;
};

}  // namespace quorix
