// What is installed, and what to do about it: the installed-version decision.
#pragma once

#include <cstdint>
#include <string>

#include "common/result_codes.h"
#include "core/configure_action.h"
#include "core/process_state.h"

namespace quorix {

// The capacity, in characters, of the buffer the installed version is read into.
inline constexpr std::uint32_t kVersionBufferCapacity = 32;

// The version string of the installed copy: under `productCode`, else under the product code
// named by the compatibility value, else under the previous generation's code. Replaces
// ctx.state.installedProductCode when the copy is found under another code. Returns the
// Windows Installer error of the last query (0 when a version was found).
std::uint32_t GetInstalledVersion(ProcessContext& ctx, const std::wstring& productCode,
                                  std::wstring* version);

// A version text as four numbers, each read as wcstoul reads base 10 and below 65536.
// E_INVALIDARG for a missing text (or a missing out-parameter), E_FAIL for a malformed one.
HResult ParseVersion(const wchar_t* text, std::uint32_t* major, std::uint32_t* minor,
                     std::uint32_t* build, std::uint32_t* revision);

// Compares the installed copy with the release given as file-version words and writes the
// decision to *action (NoDecision until one is made). Sets ctx.state.installedMajorVersion. Returns
// 0, or a negative code for an unexpected installer error. A version text that cannot be parsed
// ends the process.
HResult GetRequiredMsiConfigureAction(ProcessContext& ctx, std::uint32_t versionLow,
                                      std::uint32_t versionHigh, const std::wstring& productCode,
                                      ConfigureAction* action);

}  // namespace quorix
