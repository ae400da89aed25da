#include <windows.h>

#include <cstdio>
#include <map>

#include "platform/win32/win32_platform.h"
#include "probe.h"

namespace quorix::probe {
namespace {

struct Entry {
    const wchar_t* usage;
    Command command;
};

std::map<std::wstring, Entry>& Commands() {
    static std::map<std::wstring, Entry> commands;
    return commands;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                          nullptr, nullptr);
    return out;
}

}  // namespace

Registration::Registration(const wchar_t* name, const wchar_t* usage, Command command) {
    Commands()[name] = Entry{usage, command};
}

void Print(const std::wstring& key, const std::wstring& value) {
    const std::string line = Utf8(key) + "=" + Utf8(value) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

}  // namespace quorix::probe

namespace {

// The probe shows the folders of a run that is not elevated (Windows 2000/XP without
// administrator rights), which Wine, whose every process is an elevated administrator, cannot
// start; an elevated run's folders are the product's own scenarios' to show.
struct StandardUserSystem : quorix::win32::Win32System {
    bool GetTokenStanding(quorix::platform::TokenStanding* standing) override {
        *standing = {};
        return true;
    }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace quorix;
    static win32::Win32Platform real;
    static StandardUserSystem system;
    const platform::Platform& os = real.Os();
    static platform::Platform platform{system,       os.files,     os.console, os.ui,  os.registry,
                                       os.installer, os.resources, os.shell,   os.com, os.services,
                                       os.tasks,     os.desktop,   os.dialogs};
    static ProcessState state;
    ProcessContext ctx{platform, state};
    const std::wstring name = argc > 1 ? argv[1] : L"help";
    auto& commands = probe::Commands();
    auto it = commands.find(name);
    if (it == commands.end()) {
        for (const auto& [command, entry] : commands) {
            std::fwprintf(stderr, L"  %ls %ls\n", command.c_str(), entry.usage);
        }
        return name == L"help" ? 0 : 2;
    }
    std::vector<std::wstring> args(argv + (argc > 2 ? 2 : argc), argv + argc);
    return it->second.command(ctx, args);
}
