// How the window-class part of the Ui area behaves, on the simulated Windows and on the real
// Win32 layer: registration, the handler seeing its window's life, and the errors the logic
// may meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "contract_environment.h"

namespace quorix::contract {
namespace {

struct RecordingHandler : platform::WindowHandler {
    void OnMessage(platform::NativeHandle window, std::uint32_t message, std::uintptr_t,
                   std::intptr_t) override {
        windows.push_back(window);
        messages.push_back(message);
    }
    bool Saw(std::uint32_t message) const {
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    }
    std::vector<platform::NativeHandle> windows;
    std::vector<std::uint32_t> messages;
};

platform::WindowClass ClassFor(const std::wstring& name, RecordingHandler& handler) {
    platform::WindowClass wc;
    wc.name = name;
    wc.style = platform::kCsHRedraw | platform::kCsVRedraw;
    wc.handler = &handler;
    return wc;
}

platform::WindowSpec HiddenWindowOf(const std::wstring& className) {
    platform::WindowSpec spec;
    spec.className = className;
    spec.title = className;
    spec.style = platform::kWsOverlappedWindow;
    spec.width = 1;
    spec.height = 1;
    return spec;
}

TEST(WindowClassContract, TheHandlerSeesItsWindowCreatedAndDestroyed) {
    platform::Ui& ui = Env().Os().ui;
    const std::wstring name = Env().UniqueName(L"contractwindow");
    RecordingHandler handler;
    ASSERT_NE(ui.RegisterWindowClass(ClassFor(name, handler)), 0);
    const platform::NativeHandle window = ui.CreateWindowHandle(HiddenWindowOf(name));
    ASSERT_NE(window, platform::kNullHandle);
    EXPECT_TRUE(handler.Saw(platform::kWmCreate));
    EXPECT_FALSE(handler.Saw(platform::kWmDestroy));
    EXPECT_TRUE(ui.DestroyWindowHandle(window));
    EXPECT_TRUE(handler.Saw(platform::kWmDestroy));
    for (platform::NativeHandle seen : handler.windows) EXPECT_EQ(seen, window);
    EXPECT_TRUE(ui.UnregisterWindowClass(name));
}

TEST(WindowClassContract, ANameCanBeRegisteredOnlyOnceUntilItIsUnregistered) {
    platform::Ui& ui = Env().Os().ui;
    const std::wstring name = Env().UniqueName(L"contractclass");
    RecordingHandler handler;
    ASSERT_NE(ui.RegisterWindowClass(ClassFor(name, handler)), 0);
    EXPECT_EQ(ui.RegisterWindowClass(ClassFor(name, handler)), 0);
    EXPECT_EQ(Env().Os().system.GetLastError(), 1410u);  // ERROR_CLASS_ALREADY_EXISTS
    EXPECT_TRUE(ui.UnregisterWindowClass(name));
    EXPECT_NE(ui.RegisterWindowClass(ClassFor(name, handler)), 0);
    EXPECT_TRUE(ui.UnregisterWindowClass(name));
}

TEST(WindowClassContract, AWindowOfAnUnknownClassIsNotCreated) {
    const std::wstring name = Env().UniqueName(L"neverregistered");
    EXPECT_EQ(Env().Os().ui.CreateWindowHandle(HiddenWindowOf(name)), platform::kNullHandle);
    // Windows says ERROR_CANNOT_FIND_WND_CLASS (1407), Wine ERROR_CLASS_DOES_NOT_EXIST (1411).
    const std::uint32_t error = Env().Os().system.GetLastError();
    EXPECT_TRUE(error == 1407u || error == 1411u) << error;
}

TEST(WindowClassContract, AWindowIsDestroyedOnlyOnce) {
    platform::Ui& ui = Env().Os().ui;
    const std::wstring name = Env().UniqueName(L"contractonce");
    RecordingHandler handler;
    ASSERT_NE(ui.RegisterWindowClass(ClassFor(name, handler)), 0);
    const platform::NativeHandle window = ui.CreateWindowHandle(HiddenWindowOf(name));
    ASSERT_NE(window, platform::kNullHandle);
    ASSERT_TRUE(ui.DestroyWindowHandle(window));
    // Windows says ERROR_INVALID_WINDOW_HANDLE (1400); Wine ERROR_ACCESS_DENIED (5).
    EXPECT_FALSE(ui.DestroyWindowHandle(window));
    EXPECT_TRUE(ui.UnregisterWindowClass(name));
    EXPECT_FALSE(ui.UnregisterWindowClass(name));
}

// A handler that throws is caught at the edge of the dispatch on both sides: the message counts
// as not handled, the window lives on and later messages still arrive.
struct ThrowingHandler : RecordingHandler {
    void OnMessage(platform::NativeHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override {
        RecordingHandler::OnMessage(window, message, wParam, lParam);
        if (message == platform::kWmCreate) throw std::runtime_error("handler failed");
    }
};

TEST(WindowClassContract, AnExceptionInTheHandlerStaysAtTheEdgeOfTheDispatch) {
    platform::Ui& ui = Env().Os().ui;
    const std::wstring name = Env().UniqueName(L"contractthrow");
    ThrowingHandler handler;
    ASSERT_NE(ui.RegisterWindowClass(ClassFor(name, handler)), 0);
    platform::NativeHandle window = platform::kNullHandle;
    ASSERT_NO_THROW(window = ui.CreateWindowHandle(HiddenWindowOf(name)));
    ASSERT_NE(window, platform::kNullHandle);
    EXPECT_TRUE(handler.Saw(platform::kWmCreate));
    EXPECT_TRUE(ui.DestroyWindowHandle(window));
    EXPECT_TRUE(handler.Saw(platform::kWmDestroy));
    EXPECT_TRUE(ui.UnregisterWindowClass(name));
}

}  // namespace
}  // namespace quorix::contract
