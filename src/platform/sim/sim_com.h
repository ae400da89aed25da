// The simulated COM library: the thread's apartment (each successful initialisation is an
// entry in the handle ledger until it is matched), and GUIDs from a script or a counter.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

// A COM class a test registers: the one interface it hands out and what its methods answer,
// by virtual slot.
struct SimComClass {
    platform::Guid interfaceId;
    std::map<std::size_t, std::int32_t> methodResults;
    // What CoCreateInstance answers for the class (0: it creates the object), e.g. the
    // failure of a server that does not start.
    std::int32_t createResult = 0;
};

struct ComMethodCall {
    platform::Guid classId;
    std::size_t slot;
};

class SimCom : public platform::Com {
public:
    // The machine has the shell's link object (CLSID_ShellLink) registered, as every Windows
    // has: its IPersistFile answers IsDirty (slot 4) with S_FALSE while nothing was changed.
    explicit SimCom(Core& core);

    std::int32_t InitializeCom() override;
    void UninitializeCom() override;
    std::int32_t CreateGuid(platform::Guid* guid) override;
    int StringFromGuid(const platform::Guid& guid, std::size_t capacity,
                       std::wstring* text) override;
    std::int32_t ParseIid(const std::wstring& text, platform::Guid* guid) override;
    std::int32_t CreateInstance(const platform::Guid& classId, std::uint32_t context,
                                const platform::Guid& interfaceId,
                                platform::ComObject* object) override;
    std::int32_t CallMethodWithoutArguments(platform::ComObject object, std::size_t slot) override;
    std::uint32_t ReleaseObject(platform::ComObject object) override;

    // --- the test's side ---
    // CoCreateGuid hands these out first, in order; then GUIDs of its own, all different.
    std::deque<platform::Guid> nextGuids;
    std::vector<platform::Guid> created;
    // The thread already lives in a multithreaded apartment: CoInitialize answers
    // RPC_E_CHANGED_MODE.
    bool threadInMultithreadedApartment = false;
    std::size_t ApartmentDepth() const { return apartments_.size(); }
    // Classes CoCreateInstance can create; any other class is not registered.
    void RegisterClass(const platform::Guid& classId, const SimComClass& comClass);
    std::vector<platform::Guid> createRequests;  // classes CoCreateInstance was asked for
    std::vector<std::uint32_t> createContexts;   // with these contexts
    std::vector<ComMethodCall> methodCalls;
    std::size_t LiveObjects() const { return objects_.size(); }

private:
    struct Object {
        platform::Guid classId;
        std::uint32_t references;
    };
    std::map<std::wstring, SimComClass> classes_;  // by GUID text
    std::map<platform::ComObject, Object> objects_;
    Core& core_;
    std::vector<platform::NativeHandle> apartments_;
    std::uint32_t counter_ = 0;
};

// The braced upper-case text of a GUID, "{00112233-4455-6677-8899-AABBCCDDEEFF}".
std::wstring FormatGuidText(const platform::Guid& guid);
// The GUID of a braced text in either letter case; false for anything else.
bool ParseGuidText(const std::wstring& text, platform::Guid* guid);

}  // namespace quorix::sim
