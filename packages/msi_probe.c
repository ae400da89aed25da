/*
 * A console probe for the demo packages: drives Wine's (or Windows') msi.dll the way the setup
 * does, through the same entry points, and prints the exact result codes.
 *
 *   msi_probe install <uilevel> <package> <property string>  MsiInstallProductW
 *   msi_probe remove  <uilevel> <product code>               MsiConfigureProductW(.., 0, ABSENT)
 *   msi_probe state   <product code>                         MsiQueryProductStateW
 *   msi_probe version <product code>                         MsiGetProductInfoW "VersionString"
 *   msi_probe object                                         the product's COM object, slot 36
 *   msi_probe service <name>                                 the service's current state
 *
 * msi.dll is loaded at run time, as the setup does, so the probe needs no import library.
 * Exit code: the msi result (0 for a found version or for a state query); for "object" 0 when
 * the call succeeded; for "service" the SCM error (1060 for a service that does not exist).
 */
#include <windows.h>
#include <objbase.h>
#include <stdio.h>
#include <wchar.h>

typedef UINT(WINAPI* InstallProductFn)(LPCWSTR, LPCWSTR);
typedef UINT(WINAPI* ConfigureProductFn)(LPCWSTR, int, int);
typedef int(WINAPI* QueryProductStateFn)(LPCWSTR);
typedef UINT(WINAPI* GetProductInfoFn)(LPCWSTR, LPCWSTR, LPWSTR, DWORD*);
typedef int(WINAPI* SetInternalUiFn)(int, HWND*);

static FARPROC Lookup(HMODULE msi, const char* name) {
    FARPROC fn = GetProcAddress(msi, name);
    if (fn == NULL) {
        fprintf(stderr, "msi.dll has no %s\n", name);
        ExitProcess(2);
    }
    return fn;
}

/* The product's object as the setup reaches it: CoCreateInstance with the setup's context
 * flags, then the method in virtual slot 36, which takes nothing but the object. */
static int CallProductObject(void) {
    static const CLSID objectClass = {
        0x5BE19F12, 0x4C30, 0x4D6B, {0xB4, 0x58, 0xBE, 0x0D, 0x08, 0x1D, 0x58, 0xAB}};
    static const IID objectInterface = {
        0x7583FB94, 0x31E5, 0x4535, {0x9A, 0x53, 0x1E, 0x55, 0xB5, 0x6A, 0xA6, 0x22}};
    typedef HRESULT(STDMETHODCALLTYPE * NoArgumentMethod)(void*);
    typedef ULONG(STDMETHODCALLTYPE * ReleaseMethod)(void*);
    void* object = NULL;
    HRESULT created, called = E_FAIL;

    CoInitialize(NULL);
    created = CoCreateInstance(&objectClass, NULL, 0x17, &objectInterface, &object);
    printf("CoCreateInstance=0x%08lX\n", (unsigned long)created);
    if (SUCCEEDED(created) && object != NULL) {
        void** table = *(void***)object;
        called = ((NoArgumentMethod)table[36])(object);
        printf("slot36=0x%08lX\n", (unsigned long)called);
        ((ReleaseMethod)table[2])(object);
    }
    CoUninitialize();
    return SUCCEEDED(called) ? 0 : 1;
}

static int PrintServiceState(const wchar_t* name) {
    SC_HANDLE manager = OpenSCManagerW(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service;
    SERVICE_STATUS status;
    DWORD error = 0;
    if (manager == NULL) {
        error = GetLastError();
        printf("OpenSCManagerW=%lu\n", error);
        return (int)error;
    }
    service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
    if (service == NULL) {
        error = GetLastError();
        printf("service=%s\n", error == ERROR_SERVICE_DOES_NOT_EXIST ? "absent" : "unknown");
    } else {
        if (QueryServiceStatus(service, &status)) {
            printf("service=%lu\n", status.dwCurrentState);
        } else {
            error = GetLastError();
            printf("QueryServiceStatus=%lu\n", error);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return (int)error;
}

static int Usage(void) {
    fprintf(stderr,
            "usage: msi_probe install <uilevel> <package> <properties>\n"
            "       msi_probe remove <uilevel> <product code>\n"
            "       msi_probe state <product code>\n"
            "       msi_probe version <product code>\n"
            "       msi_probe object\n"
            "       msi_probe service <name>\n");
    return 2;
}

int wmain(int argc, wchar_t** argv) {
    HMODULE msi;
    if (argc == 2 && wcscmp(argv[1], L"object") == 0) {
        return CallProductObject();
    }
    if (argc == 3 && wcscmp(argv[1], L"service") == 0) {
        return PrintServiceState(argv[2]);
    }
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
