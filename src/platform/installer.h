// The Windows Installer (msi.dll): installations, product queries and package databases.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

// INSTALLUILEVEL values.
inline constexpr std::int32_t kInstallUiLevelNoChange = 0;
inline constexpr std::int32_t kInstallUiLevelDefault = 1;
inline constexpr std::int32_t kInstallUiLevelNone = 2;
inline constexpr std::int32_t kInstallUiLevelBasic = 3;
inline constexpr std::int32_t kInstallUiLevelReduced = 4;
inline constexpr std::int32_t kInstallUiLevelFull = 5;

// INSTALLSTATE values.
inline constexpr std::int32_t kInstallStateInvalidArg = -2;
inline constexpr std::int32_t kInstallStateUnknown = -1;
inline constexpr std::int32_t kInstallStateAdvertised = 1;
inline constexpr std::int32_t kInstallStateAbsent = 2;
inline constexpr std::int32_t kInstallStateLocal = 3;
inline constexpr std::int32_t kInstallStateSource = 4;
inline constexpr std::int32_t kInstallStateDefault = 5;

inline constexpr std::int32_t kInstallLevelDefault = 0;

inline constexpr std::uint32_t kInstallLogModeVerbose = 0x1000;
inline constexpr std::uint32_t kInstallLogAttributesAppend = 1;

// The product property holding the installed version as text.
inline constexpr const wchar_t* kInstallPropertyVersionString = L"VersionString";

// An MSIHANDLE, for the package database calls.
using MsiHandle = std::uint32_t;

// Every call passes no window handle where the API takes one. Results are what msi.dll
// returns: Windows Installer error numbers, INSTALLUILEVEL or INSTALLSTATE values.
class Installer {
public:
    virtual ~Installer() = default;

    // MsiSetInternalUI(level, no window). Returns the level that was in force before.
    virtual std::int32_t SetInternalUi(std::int32_t level) = 0;

    // MsiEnableLogW(mode, path, attributes). The setting holds for the rest of the process.
    virtual std::uint32_t EnableLog(std::uint32_t mode, const std::wstring& path,
                                    std::uint32_t attributes) = 0;

    // MsiInstallProductW(package, properties): runs the whole installation synchronously.
    virtual std::uint32_t InstallProduct(const std::wstring& packagePath,
                                         const std::wstring& commandLine) = 0;

    // MsiQueryProductStateW(productCode).
    virtual std::int32_t QueryProductState(const std::wstring& productCode) = 0;

    // MsiConfigureProductW(productCode, installLevel, installState).
    virtual std::uint32_t ConfigureProduct(const std::wstring& productCode,
                                           std::int32_t installLevel,
                                           std::int32_t installState) = 0;

    // MsiGetProductInfoW(productCode, property, buffer, capacity). *capacity is the buffer's
    // size in characters on the way in (terminator included) and the value's length without
    // the terminator on the way out. ERROR_MORE_DATA when the value does not fit; a null
    // buffer asks for the length alone.
    virtual std::uint32_t GetProductInfo(const std::wstring& productCode,
                                         const std::wstring& property, wchar_t* buffer,
                                         std::uint32_t* capacity) = 0;
};

}  // namespace quorix::platform
