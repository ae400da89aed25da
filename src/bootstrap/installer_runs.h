// The installer runs of an installation: property strings, UI levels, logging, and the
// language packs installed before the base package.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bootstrap/run_options.h"
#include "core/process_state.h"
#include "installed/language_pack_removal.h"

namespace quorix {

struct InstallerRunResult {
    std::uint32_t result = 0;         // the installer result that decides the outcome
    std::int32_t savedUiLevel = 0;    // the level to restore once the outcome is handled
    bool failedLanguagePack = false;  // the deciding result is a language pack's
};

// "USERDEFINST=" + "1" (custom installation requested) or "2", a blank and the tag's
// installer properties.
std::wstring UserDefinedInstallProperty(const ProcessState& state);

// The base package's property string: basePackageProps, LANGSTRING, USERDEFINST with the tag's
// properties, TRANSFORMS, then FASTOEM in a silent run and VLUPGRADE over the previous generation.
std::wstring BaseCommandLine(const ProcessState& state, const RunOptions& options,
                             const std::wstring& languageName);

// True when "PreinstallMode" under HKLM\Software\Velora (32-bit view first, then the 64-bit
// one) reads as the number 1. Reads the registry afresh on every call.
bool IsPreinstallMode(ProcessContext& ctx);

// Installs the language packs in order and then the base package, stopping at the first
// language pack that fails. The base package's UI level stays in force; the caller restores
// savedUiLevel once it has handled the outcome.
InstallerRunResult RunInstallers(ProcessContext& ctx, const RunOptions& options,
                                 const std::wstring& languageName,
                                 const std::vector<std::wstring>& languagePackFiles,
                                 const std::wstring& basePackageFile);

}  // namespace quorix
