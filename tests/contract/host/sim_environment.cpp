// The contract suite's side on the simulated Windows.
#include "contract_environment.h"

#include "platform/sim/sim_windows.h"

namespace quorix::contract {
namespace {

class SimEnvironment : public Environment {
public:
    SimEnvironment() {
        machine_.system.argv = {L"C:\\tests\\quorix_contract_tests.exe"};
        machine_.system.messageTexts[2] = L"File not found.\r\n";
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
    bool IsRealWindows() const override { return false; }

private:
    sim::SimWindows machine_;
    int counter_ = 0;
    std::size_t answeredFrom_ = 0;
};

}  // namespace

Environment& Env() {
    static SimEnvironment environment;
    return environment;
}

}  // namespace quorix::contract
