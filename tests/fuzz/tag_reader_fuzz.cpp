// The stamped tag reader over arbitrary file bytes: whatever the file holds, the reader stays
// inside it, releases what it opened and either finds a tag with an affiliate or warns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/tag_layout.h"
#include "package/tag_reader.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The layout functions on exactly the bytes given (ASan catches any read beyond them).
    std::vector<std::uint8_t> exact(data, data + size);
    quorix::tag::TagLocation location{};
    if (quorix::tag::LocateTag(exact.data(), exact.size(), &location)) {
        const std::uint8_t* text = nullptr;
        std::uint16_t length = 0;
        if (quorix::tag::ReadTagText(exact.data(), exact.size(), location, &text, &length)) {
            if (text < exact.data() || text + length > exact.data() + exact.size()) std::abort();
        }
    }

    // The whole reader through the simulated platform.
    quorix::sim::SimMachine machine;
    quorix::ProcessState state;
    quorix::ProcessContext ctx{machine.Os(), state};
    machine.files.PutFile(L"C:\\QuorixSetup.exe", std::move(exact));
    quorix::ReadStampedTag(ctx, L"C:\\QuorixSetup.exe");
    if (machine.core.ledger.OpenCount() != 0) std::abort();
    if (machine.ui.boxes.size() > 1) std::abort();
    // A warning means the defaults stay.
    if (machine.ui.boxes.size() == 1 && state.tagProperties != quorix::kDefaultTagProperties) {
        std::abort();
    }
    // The program never records an empty affiliate, and always one the installer receives.
    const std::wstring pair = L"AFFILIATEID=" + state.affiliateId;
    const std::wstring padded = L" " + state.tagProperties + L" ";
    if (state.affiliateId.empty() || padded.find(L" " + pair + L" ") == std::wstring::npos) {
        std::abort();
    }
    // Whatever the tag, nothing reaches the installer that could quote, split or end a property.
    for (wchar_t c : state.tagProperties) {
        if (c < 0x20 || c >= 0x7F || c == L'"' || c == L'&' || c == L'\\' || c == L':')
            std::abort();
    }
    return 0;
}
