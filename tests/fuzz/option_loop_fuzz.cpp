// The option loop over arbitrary argument vectors. Input: the first byte chooses whether a
// parent console exists; the rest is UTF-16LE text whose NUL characters separate arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bootstrap/run_options.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    quorix::sim::SimMachine machine;
    machine.console.parentHasConsole = (data[0] & 1) != 0;
    std::vector<std::wstring> argv(1, L"C:\\QuorixSetup.exe");
    std::wstring current;
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) {
            argv.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    argv.push_back(current);

    quorix::ProcessState state;
    quorix::ProcessContext ctx{machine.Os(), state};
    try {
        quorix::RunOptions options = quorix::ParseRunOptions(ctx, argv);
        if (options.silent && options.reducedUi) std::abort();
        for (const std::wstring& name : options.languages) {
            if (name.find(L';') != std::wstring::npos) std::abort();
        }
    } catch (const quorix::sim::ProcessExit& exit) {
        // The loop ends the process only on a console: an unsupported option (exit 0) or the
        // language list, which without packs is the fatal "No language pack found".
        if (exit.exitCode != 0 && exit.exitCode != 16389) std::abort();
    }
    if (machine.console.attached) std::abort();  // every attach is released again
    return 0;
}
