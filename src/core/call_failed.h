#pragma once

#include <exception>

namespace quorix {

// What the few reads that end in an exception throw (a registry text that is not there, a GUID
// that does not format): a standard exception whose text is a literal, so throwing it needs
// nothing but the exception itself.
class CallFailed : public std::exception {
public:
    explicit CallFailed(const char* text) noexcept : text_(text) {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;
};

}  // namespace quorix
