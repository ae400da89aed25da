/*
 * A console probe for the demo packages: drives Wine's (or Windows') msi.dll the way the setup
 * does, through the same entry points, and prints the exact result codes.
 *
 *   msi_probe install <uilevel> <package> <property string>  MsiInstallProductW
 *   msi_probe remove  <uilevel> <product code>               MsiConfigureProductW(.., 0, ABSENT)
 *   msi_probe state   <product code>                         MsiQueryProductStateW
 *   msi_probe version <product code>                         MsiGetProductInfoW "VersionString"
 *
 * msi.dll is loaded at run time, as the setup does, so the probe needs no import library.
 * Exit code: the msi result (0 for a found version or for a state query).
 */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

typedef UINT(WINAPI *InstallProductFn)(LPCWSTR, LPCWSTR);
typedef UINT(WINAPI *ConfigureProductFn)(LPCWSTR, int, int);
typedef int(WINAPI *QueryProductStateFn)(LPCWSTR);
typedef UINT(WINAPI *GetProductInfoFn)(LPCWSTR, LPCWSTR, LPWSTR, DWORD *);
typedef int(WINAPI *SetInternalUiFn)(int, HWND *);

static FARPROC Lookup(HMODULE msi, const char *name)
{
    FARPROC fn = GetProcAddress(msi, name);
    if (fn == NULL) {
        fprintf(stderr, "msi.dll has no %s\n", name);
        ExitProcess(2);
    }
    return fn;
}

static int Usage(void)
{
    fprintf(stderr, "usage: msi_probe install <uilevel> <package> <properties>\n"
                    "       msi_probe remove <uilevel> <product code>\n"
                    "       msi_probe state <product code>\n"
                    "       msi_probe version <product code>\n");
    return 2;
}

int wmain(int argc, wchar_t **argv)
{
    HMODULE msi;
    if (argc < 3) {
        return Usage();
    }
    msi = LoadLibraryW(L"msi.dll");
    if (msi == NULL) {
        fprintf(stderr, "LoadLibrary(msi.dll) failed: %lu\n", GetLastError());
        return 2;
    }

    if (wcscmp(argv[1], L"install") == 0 && argc == 5) {
        SetInternalUiFn setUi = (SetInternalUiFn)Lookup(msi, "MsiSetInternalUI");
        InstallProductFn install = (InstallProductFn)Lookup(msi, "MsiInstallProductW");
        int previous = setUi(_wtoi(argv[2]), NULL);
        UINT result = install(argv[3], argv[4]);
        setUi(previous, NULL);
        printf("MsiInstallProductW=%u\n", result);
        return (int)result;
    }
    if (wcscmp(argv[1], L"remove") == 0 && argc == 4) {
        SetInternalUiFn setUi = (SetInternalUiFn)Lookup(msi, "MsiSetInternalUI");
        ConfigureProductFn configure = (ConfigureProductFn)Lookup(msi, "MsiConfigureProductW");
        int previous = setUi(_wtoi(argv[2]), NULL);
        UINT result = configure(argv[3], 0 /* INSTALLLEVEL_DEFAULT */, 2 /* INSTALLSTATE_ABSENT */);
        setUi(previous, NULL);
        printf("MsiConfigureProductW=%u\n", result);
        return (int)result;
    }
    if (wcscmp(argv[1], L"state") == 0 && argc == 3) {
        QueryProductStateFn query = (QueryProductStateFn)Lookup(msi, "MsiQueryProductStateW");
        printf("MsiQueryProductStateW=%d\n", query(argv[2]));
        return 0;
    }
    if (wcscmp(argv[1], L"version") == 0 && argc == 3) {
        GetProductInfoFn info = (GetProductInfoFn)Lookup(msi, "MsiGetProductInfoW");
        wchar_t version[32];
        DWORD capacity = sizeof version / sizeof version[0];
        UINT result = info(argv[2], L"VersionString", version, &capacity);
        if (result == ERROR_SUCCESS) {
            printf("VersionString=%ls\n", version);
        } else {
            printf("MsiGetProductInfoW=%u\n", result);
        }
        return (int)result;
    }
    return Usage();
}
