// The real Windows Installer behind the seam. msi.dll is never imported at link time: it is
// loaded on first use from the system folder by its full path, so that a planted copy beside
// the executable (or in the current folder) can never be the one that runs.
#pragma once

#include <string>

#include "platform/installer.h"

namespace quorix::win32 {

class Win32Installer : public platform::Installer {
public:
    // `moduleName` is the file name looked up in the system folder; only tests name another.
    explicit Win32Installer(std::wstring moduleName = L"msi.dll");

    std::int32_t SetInternalUi(std::int32_t level) override;
    std::uint32_t EnableLog(std::uint32_t mode, const std::wstring& path,
                            std::uint32_t attributes) override;
    std::uint32_t InstallProduct(const std::wstring& packagePath,
                                 const std::wstring& commandLine) override;
    std::int32_t QueryProductState(const wchar_t* productCode) override;
    std::uint32_t ConfigureProduct(const wchar_t* productCode, std::int32_t installLevel,
                                   std::int32_t installState) override;
    std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                                 wchar_t* buffer, std::uint32_t* capacity) override;
    std::uint32_t OpenDatabase(const std::wstring& packagePath, std::uintptr_t persistMode,
                               platform::MsiHandle* database) override;
    std::uint32_t DatabaseOpenView(platform::MsiHandle database, const std::wstring& query,
                                   platform::MsiHandle* view) override;
    std::uint32_t ViewExecute(platform::MsiHandle view, platform::MsiHandle parameters) override;
    std::uint32_t ViewFetch(platform::MsiHandle view, platform::MsiHandle* record) override;
    std::uint32_t RecordGetString(platform::MsiHandle record, std::uint32_t field, wchar_t* buffer,
                                  std::uint32_t* capacity) override;
    std::uint32_t CloseMsiHandle(platform::MsiHandle handle) override;

private:
    // The entry points, looked up by name once. Kept as plain addresses so that this header
    // needs no <windows.h>.
    struct EntryPoints {
        void* setInternalUi = nullptr;
        void* enableLog = nullptr;
        void* installProduct = nullptr;
        void* queryProductState = nullptr;
        void* configureProduct = nullptr;
        void* getProductInfo = nullptr;
        void* openDatabase = nullptr;
        void* databaseOpenView = nullptr;
        void* viewExecute = nullptr;
        void* viewFetch = nullptr;
        void* recordGetString = nullptr;
        void* closeHandle = nullptr;
    };
    // Loads the module on the first call. False when it cannot be loaded; loadError_ then
    // says why.
    bool Load();
    // The error for a call whose entry point is missing, with the thread's last error set.
    std::uint32_t Unavailable();

    std::wstring moduleName_;
    bool attempted_ = false;
    void* module_ = nullptr;
    std::uint32_t loadError_ = 0;
    EntryPoints entries_;
};

}  // namespace quorix::win32
