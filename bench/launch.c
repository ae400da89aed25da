/* Starts the program named on its own command line, waits for it and prints how long it lived,
 * from its process creation to its exit as Windows records them. Wine's start of this launcher
 * and any shell around it fall outside that span, so a start-up figure is the program's own.
 * A console program: a GUI child that attaches to its parent's console finds this one's.
 *
 *     launch.exe PROGRAM [ARGUMENTS...]
 *
 * Prints "quorix-launch: seconds=S exit=N" after the child's own output and exits with the
 * child's exit code; 255 with a message when the child could not be started or timed. */
#include <windows.h>

#include <stdio.h>

/* The rest of the command line after this program's own name, as the child should see it.
 * The first word follows the loader's rule for program names: quotes group, no escapes. */
static wchar_t* after_own_name(wchar_t* line) {
    int quoted = 0;
    while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
        if (*line == L'"') quoted = !quoted;
        ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

static ULONGLONG ticks(FILETIME time) {
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

static int fail(const char* what) {
    fprintf(stderr, "launch: %s failed: error %lu\n", what, GetLastError());
    return 255;
}

int wmain(int argc, wchar_t** argv) {
    (void)argv;
    if (argc < 2) {
        fputs("usage: launch.exe PROGRAM [ARGUMENTS...]\n", stderr);
        return 255;
    }
    wchar_t* child = after_own_name(GetCommandLineW());
    STARTUPINFOW startup = {0};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {0};
    /* The console's output must reach the terminal before this launcher's own line. */
    fflush(stdout);
    if (!CreateProcessW(NULL, child, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return fail("CreateProcessW");
    CloseHandle(process.hThread);
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0)
        return fail("WaitForSingleObject");
    FILETIME created, exited, kernel, user;
    DWORD code = 0;
    if (!GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user))
        return fail("GetProcessTimes");
    if (!GetExitCodeProcess(process.hProcess, &code)) return fail("GetExitCodeProcess");
    CloseHandle(process.hProcess);
    /* A span Windows did not record (an exit time before the creation) is no figure. */
    if (ticks(exited) < ticks(created)) {
        SetLastError(ERROR_INVALID_DATA);
        return fail("GetProcessTimes (exit before creation)");
    }
    printf("quorix-launch: seconds=%.6f exit=%lu\n", (double)(ticks(exited) - ticks(created)) / 1e7,
           code);
    fflush(stdout);
    return (int)code;
}
