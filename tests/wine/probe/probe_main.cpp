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

int wmain(int argc, wchar_t** argv) {
    using namespace quorix;
    static win32::Win32Platform platform;
    static ProcessState state;
    ProcessContext ctx{platform.Os(), state};
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
