// Where the product keeps its registry values, and the constants more than one room decides on.
#pragma once

#include <cstdint>

// The setup key, spelled once so that the paths below it cannot drift from it.
#define QUORIX_SETUP_KEY_PATH L"Software\\Velora\\Setup\\"

namespace quorix {

// Where an OEM or administrator marks a machine as being prepared for later delivery (the value
// "PreinstallMode", below HKEY_LOCAL_MACHINE).
inline constexpr const wchar_t* kPreinstallKeyPath = L"Software\\Velora";
inline constexpr const wchar_t* kPreinstallValueName = L"PreinstallMode";

// Below HKEY_LOCAL_MACHINE (HKEY_CURRENT_USER when HKLM cannot be written on first creation):
// its default value holds the installation GUID. Below HKEY_CURRENT_USER it also holds the
// mark that tells the product's own uninstallation it runs as part of an upgrade.
inline constexpr const wchar_t* kSetupKeyPath = QUORIX_SETUP_KEY_PATH;

// Where an older release may have left the product code of the copy it installed.
inline constexpr const wchar_t* kCompatibilityKeyPath = QUORIX_SETUP_KEY_PATH L"Compatibility\\1";
inline constexpr const wchar_t* kCompatibilityValueName = L"ProductCode";

// The session records, one subkey per affiliate identifier.
inline constexpr const wchar_t* kSessionRecordsPath = L"SOFTWARE\\Velora\\Quorix\\SIDData\\";
// The product key; the release key is this followed by "<major>.0".
inline constexpr const wchar_t* kProductKeyPath = L"SOFTWARE\\Velora\\Quorix\\";

// The previous generation of the product is major version 9: an installed copy of it (or of
// anything from 9 up to this release) is removed on the way, the welcome dialog announces that,
// the installer is told it upgrades from 9, and a cancelled upgrade gets its own help page.
inline constexpr std::uint32_t kPreviousGenerationMajorVersion = 9;

}  // namespace quorix

#undef QUORIX_SETUP_KEY_PATH
