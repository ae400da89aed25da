/* The yardstick of the start-up figure: a GUI program that does nothing but exit, built with
 * the product's cross flags. With BENCH_PRODUCT_IMPORTS it also imports one function from each
 * system library the product imports directly, so that the cost of loading those libraries can
 * be told apart from the cost of the product's own start-up work. */
#include <windows.h>

#ifdef BENCH_PRODUCT_IMPORTS
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

/* Never called: the references only make the loader bind the libraries. The volatile flag
 * keeps the compiler and the linker's garbage collection from dropping them. */
static volatile LONG bench_never = 0;

static void bench_bind_product_imports(void) {
    if (bench_never == 0) return;
    InitCommonControls();                           /* comctl32 */
    MessageBeep(0);                                 /* user32 */
    GetStockObject(0);                              /* gdi32 */
    RegCloseKey(NULL);                              /* advapi32 */
    ShellExecuteW(NULL, NULL, NULL, NULL, NULL, 0); /* shell32 */
    CoUninitialize();                               /* ole32 */
    SysFreeString(NULL);                            /* oleaut32 */
}
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
#ifdef BENCH_PRODUCT_IMPORTS
    bench_bind_product_imports();
#endif
    return 0;
}
