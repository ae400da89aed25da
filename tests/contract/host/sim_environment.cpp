// The contract suite's side on the simulated Windows.
#include "contract_environment.h"

#include "platform/sim/sim_machine.h"

namespace quorix::contract {
namespace {

class SimEnvironment : public Environment {
public:
    SimEnvironment() {
        machine_.system.argv = {L"C:\\tests\\quorix_contract_tests.exe"};
        machine_.system.messageTexts[2] = L"File not found.\r\n";
        machine_.files.modulePath = machine_.system.argv[0];
        // As contract_resources.rc states it for the real program.
        machine_.system.SetFileVersion(machine_.system.argv[0], 0x00010002, 0x00030004);
        machine_.files.AddFolder(ScratchFolder());
        // An administrator whose new objects are not the Administrators' by default (as under
        // Wine, whose token names a group of the user's), so that a folder's owner shows
        // whether it was named or defaulted.
        machine_.files.newObjectOwner = platform::Trustee::Other;
        LoadContractResources();
    }
    platform::Platform& Os() override { return machine_.Os(); }
    std::wstring ScratchFolder() override { return L"C:\\scratch\\"; }
    void PutFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override {
        machine_.files.PutFile(path, bytes);
    }
    std::wstring UniqueName(const std::wstring& stem) override {
        return stem + std::to_wstring(++counter_);
    }
    void AnswerNextBox(int button) override {
        machine_.ui.answers.push_back(button);
        answeredFrom_ = machine_.ui.boxes.size();
    }
    std::optional<SeenBox> LastAnsweredBox() override {
        if (machine_.ui.boxes.size() <= answeredFrom_) return std::nullopt;
        const sim::MessageBoxRecord& box = machine_.ui.boxes[answeredFrom_];
        return SeenBox{box.caption.value_or(L""), box.text};
    }
    std::uint16_t UiLanguage() override { return machine_.core.uiLanguage; }
    bool IsRealWindows() const override { return false; }
    bool IsWine() const override { return false; }
    std::wstring CurrentFolder() override { return machine_.files.currentFolder; }
    std::wstring ProgramEndingWith(std::uint32_t exitCode, std::wstring* parameters) override {
        const std::wstring path = L"C:\\Windows\\system32\\cmd.exe";
        *parameters = L"/c exit " + std::to_wstring(exitCode);
        machine_.shell.runnable[sim::FoldKey(path)] = sim::SimProgram{exitCode, 30};
        return path;
    }
    void PutPackage(const std::wstring& path, const std::vector<std::wstring>& fileNames,
                    bool withFileTable) override {
        machine_.files.PutFile(path, {0xD0, 0xCF, 0x11, 0xE0});
        machine_.installer.SetFileTable(
            path,
            withFileTable ? std::optional<std::vector<std::wstring>>(fileNames) : std::nullopt);
    }

private:
    // The same set as tests/contract/win32/contract_resources.rc, as the compiler stores it.
    void LoadContractResources() {
        sim::SimResources& resources = machine_.resources;
        auto bytes = [](const char* text, std::size_t size) {
            return std::vector<std::uint8_t>(text, text + size);
        };
        resources.AddRcdata(L"contract_zeta", bytes("Zeta payload", 12));
        resources.AddRcdata(L"Contract_Alpha", bytes("alpha\0", 6));
        resources.AddRcdata(L"CONTRACTB", bytes("b", 1));
        resources.AddRcdata(L"CONTRACT_EMPTY", {});
        resources.AddResource(platform::kRtRcdata, platform::ResourceName::Id(101),
                              bytes("one-oh-one", 10));
        resources.AddString(platform::kLangGerman, 101, L"Hallo");
        resources.AddString(platform::kLangGerman, 200, L"Nur deutsch");
        resources.AddString(platform::kLangEnglishUs, 101, L"Hello");
        resources.AddString(platform::kLangEnglishUs, 103, L"Only English");
    }

    sim::SimMachine machine_;
    int counter_ = 0;
    std::size_t answeredFrom_ = 0;
};

}  // namespace

Environment& Env() {
    static SimEnvironment environment;
    return environment;
}

}  // namespace quorix::contract
