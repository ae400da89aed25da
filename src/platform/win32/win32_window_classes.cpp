// Window classes and windows of our own. One window procedure serves every class registered
// through the seam: it finds the class's handler by the class atom, lets it react, and then
// always leaves the answer to DefWindowProcW.
#include <windows.h>

#include <map>
#include <string>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace quorix::win32 {

namespace {

struct RegisteredClass {
    platform::WindowHandler* handler;
    std::wstring name;
};

// Class atom -> the handler the class was registered with. The process has one thread, and
// every window of these classes lives on it.
std::map<ATOM, RegisteredClass>& HandlersByAtom() {
    static std::map<ATOM, RegisteredClass> handlers;
    return handlers;
}

LRESULT CALLBACK DispatchToHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const ATOM atom = static_cast<ATOM>(::GetClassWord(window, GCW_ATOM));
    auto it = HandlersByAtom().find(atom);
    if (it != HandlersByAtom().end() && it->second.handler != nullptr) {
        // Windows' dispatch code knows nothing of C++ exceptions.
        try {
            it->second.handler->OnMessage(FromWindow(window), message,
                                          static_cast<std::uintptr_t>(wParam),
                                          static_cast<std::intptr_t>(lParam));
        } catch (...) {
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

std::uint16_t Win32Ui::RegisterWindowClass(const platform::WindowClass& windowClass) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = windowClass.style;
    wc.lpfnWndProc = DispatchToHandler;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(windowClass.cursorId));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(windowClass.background));
    wc.lpszClassName = windowClass.name.c_str();
    const ATOM atom = ::RegisterClassExW(&wc);
    if (atom != 0) HandlersByAtom()[atom] = RegisteredClass{windowClass.handler, windowClass.name};
    return atom;
}

bool Win32Ui::UnregisterWindowClass(const std::wstring& name) {
    if (::UnregisterClassW(name.c_str(), ::GetModuleHandleW(nullptr)) == FALSE) return false;
    // Class names compare without regard to case, as Windows compares them.
    for (auto it = HandlersByAtom().begin(); it != HandlersByAtom().end(); ++it) {
        if (::lstrcmpiW(it->second.name.c_str(), name.c_str()) == 0) {
            HandlersByAtom().erase(it);
            break;
        }
    }
    return true;
}

platform::NativeHandle Win32Ui::CreateWindowHandle(const platform::WindowSpec& spec) {
    HWND window =
        ::CreateWindowExW(spec.exStyle, spec.className.c_str(), spec.title.c_str(), spec.style,
                          spec.x, spec.y, spec.width, spec.height, ToWindow(spec.parent), nullptr,
                          ::GetModuleHandleW(nullptr), nullptr);
    return FromWindow(window);
}

bool Win32Ui::DestroyWindowHandle(platform::NativeHandle window) {
    return ::DestroyWindow(ToWindow(window)) != FALSE;
}

}  // namespace quorix::win32
