// What the demo product's programs share: the event log that shows a test which of them ran and
// what they did, the settings a test leaves to change their answers, and where a module lives.
//
// The log is one REG_MULTI_SZ value, "Log" under HKLM\Software\Velora\QuorixDemo\Events, one
// line per event, oldest first. The helper, the service and the COM object all write to it,
// so the order of their lines is the order in which the setup used them.
#pragma once

#include <windows.h>

#include <string>

namespace quorix::demo {

inline constexpr wchar_t kEventsKey[] = L"Software\\Velora\\QuorixDemo\\Events";
inline constexpr wchar_t kEventsValue[] = L"Log";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Velora\\QuorixDemo\\Settings";

// Appends one line to the event log (HKLM). Returns false when the log could not be written;
// the programs go on regardless, a missing line is what the test then sees.
bool RecordEvent(const std::wstring& line);

// A REG_DWORD below kSettingsKey. False when the value is absent or of another type.
bool ReadSetting(const wchar_t* name, DWORD* value);

// Folder of the module's file, with a trailing backslash; empty when it cannot be read.
std::wstring ModuleFolder(HMODULE module);

// A folder as the log lines name it: without its trailing backslash, so that no line ends in
// one ("reg query" shows the lines of the value joined by a literal "\0").
std::wstring FolderForLog(const std::wstring& folder);

// Decimal text of a signed value, for the log lines.
std::wstring DecimalText(long value);

}  // namespace quorix::demo
