/* The yardstick of the whole-run figure: the least a bootstrapper can do for an unattended run,
 * one process that hands packages already on disk to the installer, the language packs first and
 * then the base package, with no user interface. bench/run.sh gives it the packages and the
 * property strings the product passes, in the environment (so that no argument parser, and no
 * library beyond msi.dll, is loaded):
 *   QUORIX_BENCH_PACKS       the language packs, separated by ';', installed in that order
 *   QUORIX_BENCH_PACK_PROPS  the property string of each pack
 *   QUORIX_BENCH_BASE, QUORIX_BENCH_BASE_PROPS   the base package and its property string
 * The exit code is 0 when every package installed, else the installer's first failure. */
#include <windows.h>
#include <msi.h>

static WCHAR packs[8 * MAX_PATH], packProps[4096], base[MAX_PATH], baseProps[4096];

static BOOL bench_read(LPCWSTR name, LPWSTR value, DWORD size) {
    DWORD length = GetEnvironmentVariableW(name, value, size);
    return length > 0 && length < size;
}

static BOOL bench_installed(UINT result) {
    return result == ERROR_SUCCESS || result == ERROR_SUCCESS_REBOOT_REQUIRED;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
    UINT result;
    LPWSTR pack, next;
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    /* The property strings may be empty (GetEnvironmentVariableW then answers 0). */
    if (!bench_read(L"QUORIX_BENCH_PACKS", packs, 8 * MAX_PATH) ||
        !bench_read(L"QUORIX_BENCH_BASE", base, MAX_PATH)) {
        return ERROR_INVALID_PARAMETER;
    }
    bench_read(L"QUORIX_BENCH_PACK_PROPS", packProps, 4096);
    bench_read(L"QUORIX_BENCH_BASE_PROPS", baseProps, 4096);
    MsiSetInternalUI(INSTALLUILEVEL_NONE, NULL);
    for (pack = packs; pack != NULL; pack = next) {
        next = wcschr(pack, L';');
        if (next != NULL) *next++ = L'\0';
        result = MsiInstallProductW(pack, packProps);
        if (!bench_installed(result)) return (int)result;
    }
    result = MsiInstallProductW(base, baseProps);
    return bench_installed(result) ? 0 : (int)result;
}
