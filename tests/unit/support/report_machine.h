// A simulated German Windows 7 SP1 on a 64-bit processor with this release's setup at argv[0],
// an installation GUID and the session record of this start: the machine whose report the
// help pages carry in the examples.
#pragma once

#include <string>

#include "support/sim_run.h"

namespace quorix::test {

struct ReportMachine : SimProcess {
    ReportMachine();

    static constexpr const wchar_t* kExe = L"C:\\Downloads\\QuorixSetup.exe";
    static constexpr const wchar_t* kGuidText = L"{00112233-4455-6677-8899-AABBCCDDEEFF}";
    // Its report for the product "VLQ2011", the default affiliate and the language "de-DE".
    static const std::wstring kGermanReport;
};

}  // namespace quorix::test
