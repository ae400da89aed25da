#include "platform/sim/sim_core.h"

#include <sstream>

namespace quorix::sim {

void Faults::Fail(const std::string& api, std::uint32_t error, int count, int skip) {
    rules_[api].push_back(Rule{error, count, skip});
}

void Faults::FailCallNumber(std::size_t number, std::uint32_t error) {
    callNumber_ = std::make_pair(number, error);
}

void Faults::Clear() {
    rules_.clear();
    callNumber_.reset();
}

std::optional<std::uint32_t> Faults::Check(const std::string& api) {
    const std::size_t number = trace_.size();
    trace_.push_back(api);
    if (callNumber_ && callNumber_->first == number) {
        ++delivered_;
        return callNumber_->second;
    }
    auto it = rules_.find(api);
    if (it == rules_.end()) return std::nullopt;
    for (Rule& rule : it->second) {
        if (rule.count <= 0) continue;
        if (rule.skip > 0) {
            --rule.skip;
            continue;
        }
        --rule.count;
        ++delivered_;
        return rule.error;
    }
    return std::nullopt;
}

platform::NativeHandle HandleLedger::Open(const std::string& kind, const std::string& what) {
    const platform::NativeHandle handle = next_;
    next_ += 4;
    open_[handle] = {kind, what};
    return handle;
}

bool HandleLedger::Close(platform::NativeHandle handle) {
    if (open_.erase(handle) == 0) {
        ++badCloses_;
        return false;
    }
    return true;
}

std::string HandleLedger::KindOf(platform::NativeHandle handle) const {
    auto it = open_.find(handle);
    return it == open_.end() ? std::string() : it->second.first;
}

std::string HandleLedger::Describe() const {
    std::ostringstream out;
    for (const auto& [handle, entry] : open_) {
        out << entry.first << " '" << entry.second << "' (0x" << std::hex << handle << std::dec
            << ")\n";
    }
    if (badCloses_ != 0) out << badCloses_ << " close(s) of handles that were not open\n";
    return out.str();
}

std::wstring FoldKey(const std::wstring& text) {
    std::wstring key = text;
    for (wchar_t& c : key) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return key;
}

}  // namespace quorix::sim
