// The contract suite's side on the real Win32 layer (run under Wine).
#include <windows.h>

#include <mutex>
#include <thread>

#include "contract_environment.h"
#include "platform/win32/win32_platform.h"

namespace quorix::contract {
namespace {

// Finds the message box of this process and presses a button, from a second thread, the
// way a user would.
struct BoxAnswerer {
    int button = 0;
    std::mutex lock;
    std::optional<SeenBox> seen;
    std::thread worker;

    static BOOL CALLBACK FindBox(HWND window, LPARAM param) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        wchar_t cls[64] = {};
        ::GetClassNameW(window, cls, 64);
        if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
            lstrcmpW(cls, L"#32770") == 0) {
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
        }
        return TRUE;
    }

    void Start(int answer) {
        if (worker.joinable()) worker.join();
        button = answer;
        worker = std::thread([this] {
            for (int i = 0; i < 400; ++i) {
                HWND box = nullptr;
                ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
                if (box != nullptr) {
                    SeenBox record;
                    wchar_t text[1024] = {};
                    ::GetWindowTextW(box, text, 1024);
                    record.caption = text;
                    text[0] = 0;
                    // The message text is the static control with the id 0xFFFF.
                    ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
                    record.text = text;
                    {
                        std::lock_guard<std::mutex> guard(lock);
                        seen = record;
                    }
                    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
                    return;
                }
                ::Sleep(25);
            }
        });
    }
};

// Writes small installer databases through msi.dll's own database calls, loaded at run time
// (the test program links no import library for it).
class PackageWriter {
public:
    PackageWriter() {
        wchar_t folder[MAX_PATH + 1] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
        if (length == 0 || length > MAX_PATH) return;
        module_ = ::LoadLibraryW((std::wstring(folder, length) + L"\\msi.dll").c_str());
        if (module_ == nullptr) return;
        open_ = reinterpret_cast<OpenFn>(::GetProcAddress(module_, "MsiOpenDatabaseW"));
        view_ = reinterpret_cast<ViewFn>(::GetProcAddress(module_, "MsiDatabaseOpenViewW"));
        execute_ = reinterpret_cast<ExecuteFn>(::GetProcAddress(module_, "MsiViewExecute"));
        commit_ = reinterpret_cast<CommitFn>(::GetProcAddress(module_, "MsiDatabaseCommit"));
        close_ = reinterpret_cast<CloseFn>(::GetProcAddress(module_, "MsiCloseHandle"));
    }
    ~PackageWriter() {
        if (module_ != nullptr) ::FreeLibrary(module_);
    }

    void Write(const std::wstring& path, const std::vector<std::wstring>& fileNames,
               bool withFileTable) {
        if (open_ == nullptr || view_ == nullptr || execute_ == nullptr || commit_ == nullptr ||
            close_ == nullptr) {
            return;
        }
        ::DeleteFileW(path.c_str());
        unsigned long database = 0;
        // MSIDBOPEN_CREATE
        if (open_(path.c_str(), reinterpret_cast<LPCWSTR>(3), &database) != ERROR_SUCCESS) return;
        if (withFileTable) {
            Run(database,
                L"CREATE TABLE `File` (`File` CHAR(72) NOT NULL, "
                L"`FileName` CHAR(255) NOT NULL PRIMARY KEY `File`)");
            int row = 0;
            for (const std::wstring& name : fileNames) {
                Run(database, L"INSERT INTO `File` (`File`, `FileName`) VALUES ('F" +
                                  std::to_wstring(++row) + L"', '" + name + L"')");
            }
        } else {
            Run(database,
                L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, "
                L"`Value` CHAR(0) NOT NULL PRIMARY KEY `Property`)");
        }
        commit_(database);
        close_(database);
    }

private:
    using OpenFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, unsigned long*);
    using ViewFn = UINT(WINAPI*)(unsigned long, LPCWSTR, unsigned long*);
    using ExecuteFn = UINT(WINAPI*)(unsigned long, unsigned long);
    using CommitFn = UINT(WINAPI*)(unsigned long);
    using CloseFn = UINT(WINAPI*)(unsigned long);

    void Run(unsigned long database, const std::wstring& query) {
        unsigned long view = 0;
        if (view_(database, query.c_str(), &view) != ERROR_SUCCESS) return;
        execute_(view, 0);
        close_(view);
    }

    HMODULE module_ = nullptr;
    OpenFn open_ = nullptr;
    ViewFn view_ = nullptr;
    ExecuteFn execute_ = nullptr;
    CommitFn commit_ = nullptr;
    CloseFn close_ = nullptr;
};

class Win32Environment : public Environment {
public:
    Win32Environment() {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH, temp);
        scratch_ =
            std::wstring(temp) + L"quorix-contract-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(scratch_.c_str(), nullptr);
        scratch_ += L"\\";
    }
    ~Win32Environment() override {
        if (answerer_.worker.joinable()) answerer_.worker.join();
    }
    platform::Platform& Os() override { return platform_.Os(); }
    std::wstring ScratchFolder() override { return scratch_; }
    void PutFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (!bytes.empty())
            ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    std::wstring UniqueName(const std::wstring& stem) override {
        return stem + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter_);
    }
    void AnswerNextBox(int button) override {
        {
            std::lock_guard<std::mutex> guard(answerer_.lock);
            answerer_.seen.reset();
        }
        answerer_.Start(button);
    }
    std::optional<SeenBox> LastAnsweredBox() override {
        if (answerer_.worker.joinable()) answerer_.worker.join();
        std::lock_guard<std::mutex> guard(answerer_.lock);
        return answerer_.seen;
    }
    std::uint16_t UiLanguage() override { return ::GetUserDefaultUILanguage(); }
    bool IsRealWindows() const override { return true; }
    bool IsWine() const override {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }
    std::wstring CurrentFolder() override {
        wchar_t folder[MAX_PATH + 1] = {};
        const DWORD length = ::GetCurrentDirectoryW(MAX_PATH + 1, folder);
        return length > MAX_PATH ? std::wstring() : std::wstring(folder, length);
    }
    std::wstring ProgramEndingWith(std::uint32_t exitCode, std::wstring* parameters) override {
        wchar_t folder[MAX_PATH + 1] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
        *parameters = L"/c exit " + std::to_wstring(exitCode);
        return std::wstring(folder, length <= MAX_PATH ? length : 0) + L"\\cmd.exe";
    }
    void PutPackage(const std::wstring& path, const std::vector<std::wstring>& fileNames,
                    bool withFileTable) override {
        PackageWriter writer;
        writer.Write(path, fileNames, withFileTable);
    }

private:
    win32::Win32Platform platform_;
    std::wstring scratch_;
    int counter_ = 0;
    BoxAnswerer answerer_;
};

}  // namespace

Environment& Env() {
    static Win32Environment environment;
    return environment;
}

}  // namespace quorix::contract

// The cross-built programs are Unicode programs (-municode): GoogleTest starts from wmain.
#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
