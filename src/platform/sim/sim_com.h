// The simulated COM library: the thread's apartment (each successful initialisation is an
// entry in the handle ledger until it is matched), and GUIDs from a script or a counter.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimCom : public platform::Com {
public:
    explicit SimCom(Core& core) : core_(core) {}

    std::int32_t InitializeCom() override;
    void UninitializeCom() override;
    std::int32_t CreateGuid(platform::Guid* guid) override;
    int StringFromGuid(const platform::Guid& guid, std::size_t capacity,
                       std::wstring* text) override;
    std::int32_t ParseIid(const std::wstring& text, platform::Guid* guid) override;

    // --- the test's side ---
    // CoCreateGuid hands these out first, in order; then GUIDs of its own, all different.
    std::deque<platform::Guid> nextGuids;
    std::vector<platform::Guid> created;
    // The thread already lives in a multithreaded apartment: CoInitialize answers
    // RPC_E_CHANGED_MODE.
    bool threadInMultithreadedApartment = false;
    std::size_t ApartmentDepth() const { return apartments_.size(); }

private:
    Core& core_;
    std::vector<platform::NativeHandle> apartments_;
    std::uint32_t counter_ = 0;
};

// The braced upper-case text of a GUID, "{00112233-4455-6677-8899-AABBCCDDEEFF}".
std::wstring FormatGuidText(const platform::Guid& guid);
// The GUID of a braced text in either letter case; false for anything else.
bool ParseGuidText(const std::wstring& text, platform::Guid* guid);

}  // namespace quorix::sim
