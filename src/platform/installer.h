// The Windows Installer (msi.dll): installations, product queries and package databases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

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

// A product code's buffer: a braced GUID of 38 characters and its terminator.
inline constexpr std::size_t kProductCodeCapacity = 39;

// The product property holding the installed version as text.
inline constexpr const wchar_t* kInstallPropertyVersionString = L"VersionString";

// An MSIHANDLE, for the package database calls.
using MsiHandle = std::uint32_t;
inline constexpr MsiHandle kNullMsiHandle = 0;

// MsiOpenDatabaseW's persistence modes are small integers passed where a path may go.
inline constexpr std::uintptr_t kMsiDbOpenReadOnly = 0;

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

    // MsiQueryProductStateW(productCode) and MsiConfigureProductW(productCode, installLevel,
    // installState). Plain pointers: the language-pack sweep hands over its literals as they
    // are, where building a string for each call would cost code the 32-bit product has no room
    // for.
    virtual std::int32_t QueryProductState(const wchar_t* productCode) = 0;

    virtual std::uint32_t ConfigureProduct(const wchar_t* productCode, std::int32_t installLevel,
                                           std::int32_t installState) = 0;

    // MsiGetProductInfoW(productCode, property, buffer, capacity). *capacity is the buffer's
    // size in characters on the way in (terminator included) and the value's length without
    // the terminator on the way out. ERROR_MORE_DATA when the value does not fit; a null
    // buffer asks for the length alone.
    virtual std::uint32_t GetProductInfo(const std::wstring& productCode,
                                         const std::wstring& property, wchar_t* buffer,
                                         std::uint32_t* capacity) = 0;

    // MsiOpenDatabaseW(packagePath, persistMode, &database). *database is set on success only.
    virtual std::uint32_t OpenDatabase(const std::wstring& packagePath, std::uintptr_t persistMode,
                                       MsiHandle* database) = 0;
    // MsiDatabaseOpenViewW(database, query, &view). *view is set on success only.
    virtual std::uint32_t DatabaseOpenView(MsiHandle database, const std::wstring& query,
                                           MsiHandle* view) = 0;
    // MsiViewExecute(view, parameters); kNullMsiHandle for a query without parameters.
    virtual std::uint32_t ViewExecute(MsiHandle view, MsiHandle parameters) = 0;
    // MsiViewFetch(view, &record): ERROR_NO_MORE_ITEMS after the last row. *record is set on
    // success only.
    virtual std::uint32_t ViewFetch(MsiHandle view, MsiHandle* record) = 0;
    // MsiRecordGetStringW(record, field, buffer, capacity), sized like GetProductInfo: *capacity
    // is the buffer's size in characters on the way in and the text's length without the
    // terminator on the way out; ERROR_MORE_DATA when it does not fit.
    virtual std::uint32_t RecordGetString(MsiHandle record, std::uint32_t field, wchar_t* buffer,
                                          std::uint32_t* capacity) = 0;
    // MsiCloseHandle. Closing kNullMsiHandle succeeds and does nothing.
    virtual std::uint32_t CloseMsiHandle(MsiHandle handle) = 0;
};

// Owns one MSIHANDLE (database, view or record) and closes it on every path out of its scope.
class UniqueMsiHandle {
public:
    explicit UniqueMsiHandle(Installer& installer) : installer_(&installer) {}
    UniqueMsiHandle(const UniqueMsiHandle&) = delete;
    UniqueMsiHandle& operator=(const UniqueMsiHandle&) = delete;
    UniqueMsiHandle(UniqueMsiHandle&& other) noexcept
        : installer_(other.installer_), handle_(std::exchange(other.handle_, kNullMsiHandle)) {}
    UniqueMsiHandle& operator=(UniqueMsiHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            installer_ = other.installer_;
            handle_ = std::exchange(other.handle_, kNullMsiHandle);
        }
        return *this;
    }
    ~UniqueMsiHandle() { Reset(); }

    MsiHandle Get() const { return handle_; }
    bool IsOpen() const { return handle_ != kNullMsiHandle; }
    // For the calls that hand out a handle: closes what is held and gives the slot to fill.
    MsiHandle* Receive() {
        Reset();
        return &handle_;
    }
    void Reset() {
        if (handle_ != kNullMsiHandle) installer_->CloseMsiHandle(handle_);
        handle_ = kNullMsiHandle;
    }

private:
    Installer* installer_;
    MsiHandle handle_ = kNullMsiHandle;
};

}  // namespace quorix::platform
