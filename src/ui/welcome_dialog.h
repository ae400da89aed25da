// The welcome dialog of an interactive run: the language to install and whether the user
// wants a custom installation.
#pragma once

#include <cstdint>
#include <string>

#include "bootstrap/process_state.h"

namespace quorix {

struct WelcomeChoice {
    std::wstring languagePackFile;  // the chosen pack, already extracted
    std::wstring localeCode;        // "en-US"
};

// Shows the dialog for the installed-version decision `mode`, extracts the chosen language
// pack and records customInstallationRequested. Ends the process with 1 when the dialog is
// closed without a choice, and through the fatal-error exit when the executable carries no
// language pack.
WelcomeChoice ShowWelcomeDialog(ProcessContext& ctx, std::int32_t mode);

}  // namespace quorix
