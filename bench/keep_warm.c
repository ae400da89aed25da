/* Keeps a Wine prefix warm for the timed runs: as long as one program runs, Wine keeps its
 * desktop process and services alive, as Windows always has them. Without it every timed GUI
 * program would pay for starting Wine's desktop anew. Runs until it is killed. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    /* Asking for the desktop window starts the desktop process. */
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}
