// What a contract test needs besides the platform under test: a place for files and a way
// to answer a message box from outside, as a user would. One implementation per side.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

// Skips the running test for a reason on tests/allowed-skips.txt (the test command fails on any
// other): QUORIX_SKIP_TEST("wine-folder-acl") << "what was seen";
#define QUORIX_SKIP_TEST(id) GTEST_SKIP() << "\nQUORIX_SKIP " id ": "

namespace quorix::contract {

struct SeenBox {
    std::wstring caption;
    std::wstring text;
};

class Environment {
public:
    virtual ~Environment() = default;
    virtual platform::Platform& Os() = 0;
    // A folder that exists and may be written, ending in "\".
    virtual std::wstring ScratchFolder() = 0;
    // Creates a file with these bytes, by the side's own means (not through the platform).
    virtual void PutFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) = 0;
    // A name no other test of this run uses.
    virtual std::wstring UniqueName(const std::wstring& stem) = 0;
    // The next message box is answered with this button as soon as it appears; what it showed
    // can be read afterwards.
    virtual void AnswerNextBox(int button) = 0;
    virtual std::optional<SeenBox> LastAnsweredBox() = 0;
    // The user's UI language (GetUserDefaultUILanguage), which decides the string table the
    // resource loader picks.
    virtual std::uint16_t UiLanguage() = 0;
    // True on the real Win32 layer, for the few behaviours only a real system shows.
    virtual bool IsRealWindows() const = 0;
    // True when the real layer runs under Wine, for the few things Wine does not do.
    virtual bool IsWine() const = 0;
    // The process's current folder, read by the side's own means.
    virtual std::wstring CurrentFolder() = 0;
    // Creates a Windows Installer database at `path`, by the side's own means, whose File
    // table's FileName column holds these names (one row each); without `withFileTable` the
    // database has no File table at all.
    // A program that, started with *parameters, ends by itself with `exitCode`: its path.
    virtual std::wstring ProgramEndingWith(std::uint32_t exitCode, std::wstring* parameters) = 0;
    virtual void PutPackage(const std::wstring& path, const std::vector<std::wstring>& fileNames,
                            bool withFileTable = true) = 0;
};

Environment& Env();

}  // namespace quorix::contract
