#include "support/report_machine.h"

#include "report/session_record.h"

namespace quorix::test {

const std::wstring ReportMachine::kGermanReport =
    L"&os_ver=6.1.7601&os_x64=1&os_sp=1.0&os_id=1&os_suite=256&os_syslang=de-DE&os_ulang=de-DE"
    L"&os_userlang=de-DE&os_ucountry=DE&os_usercountry=DE&vl_version=" QUORIX_VERSION_WIDE_TEXT
    L"&version=" QUORIX_VERSION_WIDE_TEXT
    L"&vl_lang=de-DE&vl_ighash=ABEiM0RVZneImaq7zN3u_w~~&vl_product=vlq2011"
    L"&app=vlq2011&aid=vlq2011aid30017xx-XX&vl_sid=vlq2011aid30017xx-XX"
    L"&x-aid=vlq2011aid30017xx-XX&vl_sids=vlq2011aid30017xx-XX&vl_ind=2011-01-31%2012%3a05%3a09"
    L"&vl_dod=2011-01-30%2018%3a44%3a10";

ReportMachine::ReportMachine() {
    sim::SimSystem& system = machine.system;
    system.processorArchitecture = platform::kProcessorArchitectureAmd64;
    machine.registry.is64BitWindows = true;
    system.systemLocale = 0x0407;
    system.userLocale = 0x0407;
    system.userGeoId = 94;
    system.argv = {kExe};
    machine.files.modulePath = kExe;
    machine.files.PutFile(kExe, {'M', 'Z'});  // written 2011-01-30 18:44:10 UTC
    system.SetFileVersion(kExe, 0x000A0000, 0x113A000B);
    machine.registry.PutString(platform::kHkeyLocalMachine, L"Software\\Velora\\Setup", L"",
                               kGuidText);
    // The entry procedure's record of this start, at the machine's 2011-01-31 12:05:09 UTC.
    RecordSession(ctx, L"0");
}

}  // namespace quorix::test
