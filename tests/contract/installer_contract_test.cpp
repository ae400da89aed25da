// How the installer area behaves, on the simulated Windows and on the real msi.dll alike.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "contract_environment.h"

#ifndef QUORIX_SIMULATED
#include <windows.h>

#include "platform/win32/win32_installer.h"
#endif

namespace quorix::contract {
namespace {

// A well-formed product code that no product carries.
const std::wstring kUnknownProduct = L"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";
constexpr std::uint32_t kErrorInstallPackageOpenFailed = 1619;

platform::Installer& Installer() { return Env().Os().installer; }

TEST(InstallerContract, SettingTheUiLevelReturnsTheLevelBefore) {
    const std::int32_t original = Installer().SetInternalUi(platform::kInstallUiLevelBasic);
    EXPECT_GE(original, platform::kInstallUiLevelDefault);
    EXPECT_EQ(Installer().SetInternalUi(platform::kInstallUiLevelFull),
              platform::kInstallUiLevelBasic);
    EXPECT_EQ(Installer().SetInternalUi(platform::kInstallUiLevelNone),
              platform::kInstallUiLevelFull);
    EXPECT_EQ(Installer().SetInternalUi(original), platform::kInstallUiLevelNone);
}

TEST(InstallerContract, NoChangeOnlyReportsTheLevel) {
    const std::int32_t original = Installer().SetInternalUi(platform::kInstallUiLevelReduced);
    EXPECT_EQ(Installer().SetInternalUi(platform::kInstallUiLevelNoChange),
              platform::kInstallUiLevelReduced);
    EXPECT_EQ(Installer().SetInternalUi(original), platform::kInstallUiLevelReduced);
}

TEST(InstallerContract, AnUnknownProductHasAnUnknownState) {
    EXPECT_EQ(Installer().QueryProductState(kUnknownProduct.c_str()),
              platform::kInstallStateUnknown);
}

TEST(InstallerContract, AMalformedProductCodeIsAnInvalidArgument) {
    EXPECT_EQ(Installer().QueryProductState(L"not a product code"),
              platform::kInstallStateInvalidArg);
    wchar_t buffer[32] = {};
    std::uint32_t capacity = 32;
    EXPECT_EQ(Installer().GetProductInfo(L"{7F150524}", platform::kInstallPropertyVersionString,
                                         buffer, &capacity),
              kErrorInvalidParameter);
    EXPECT_EQ(Installer().ConfigureProduct(L"", platform::kInstallLevelDefault,
                                           platform::kInstallStateAbsent),
              kErrorInvalidParameter);
}

TEST(InstallerContract, AnUnknownProductHasNoVersion) {
    wchar_t buffer[32] = {};
    std::uint32_t capacity = 32;
    EXPECT_EQ(Installer().GetProductInfo(kUnknownProduct, platform::kInstallPropertyVersionString,
                                         buffer, &capacity),
              kErrorUnknownProduct);
}

TEST(InstallerContract, RemovingAnUnknownProductFailsWithUnknownProduct) {
    const std::int32_t previous = Installer().SetInternalUi(platform::kInstallUiLevelNone);
    EXPECT_EQ(Installer().ConfigureProduct(kUnknownProduct.c_str(), platform::kInstallLevelDefault,
                                           platform::kInstallStateAbsent),
              kErrorUnknownProduct);
    Installer().SetInternalUi(previous);
}

TEST(InstallerContract, AMissingPackageCannotBeOpened) {
    const std::int32_t previous = Installer().SetInternalUi(platform::kInstallUiLevelNone);
    const std::uint32_t result =
        Installer().InstallProduct(Env().ScratchFolder() + L"no-such-package.msi", L" ALLUSERS=1");
    // Windows answers ERROR_INSTALL_PACKAGE_OPEN_FAILED; Wine's msi.dll passes on the file
    // system's ERROR_FILE_NOT_FOUND. Both are failures that get the system's text.
    EXPECT_TRUE(result == kErrorInstallPackageOpenFailed || result == kErrorFileNotFound) << result;
    Installer().SetInternalUi(previous);
}

TEST(InstallerContract, EnablingAnAppendingVerboseLogSucceeds) {
    EXPECT_EQ(
        Installer().EnableLog(platform::kInstallLogModeVerbose,
                              Env().ScratchFolder() + Env().UniqueName(L"installer") + L".log",
                              platform::kInstallLogAttributesAppend),
        0u);
}

#ifndef QUORIX_SIMULATED
// Only the real layer loads a module: it must come from the system folder and nowhere else.
std::wstring ExecutableFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

TEST(InstallerContract, AModuleOnlyBesideTheExecutableIsNeverLoaded) {
    // A planted file of that name beside the program: loading it by a bare name would find it
    // (and fail with ERROR_BAD_EXE_FORMAT); loading by the system folder's path does not.
    const std::wstring name = Env().UniqueName(L"quorixplanted") + L".dll";
    const std::wstring planted = ExecutableFolder() + name;
    Env().PutFile(planted, {'M', 'Z', 0, 0});
    win32::Win32Installer installer(name);
    EXPECT_EQ(installer.QueryProductState(kUnknownProduct.c_str()), platform::kInstallStateUnknown);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(installer.SetInternalUi(platform::kInstallUiLevelNone),
              platform::kInstallUiLevelNoChange);
    wchar_t buffer[32] = {};
    std::uint32_t capacity = 32;
    EXPECT_EQ(installer.GetProductInfo(kUnknownProduct, platform::kInstallPropertyVersionString,
                                       buffer, &capacity),
              static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(installer.InstallProduct(L"C:\\x.msi", L""),
              static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
    ::DeleteFileW(planted.c_str());
}
#endif

}  // namespace
}  // namespace quorix::contract
