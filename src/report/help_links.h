// The help pages on the link server, opened in the user's browser with the report query.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/configure_action.h"
#include "core/process_state.h"
#include "platform/handles.h"

namespace quorix {

// The link server of the maker; one address serves every page.
inline constexpr const wchar_t* kLinkServerBase = L"https://link.velora.example";
// The product identifier every page reports.
inline constexpr const wchar_t* kReportProductId = L"VLQ2011";

// The longest help address opened, in characters. Browsers and ShellExecuteW fail or cut an
// address beyond about 2,048; the report query gives way first (see ReportParameters).
inline constexpr std::size_t kHelpAddressBudget = 1800;

// The installation-help page for an installer result (0 after a successful installation).
void OpenInstallHelpLink(ProcessContext& ctx, std::uint32_t errorCode, const std::wstring& language,
                         ConfigureAction action);

// The page for a cancellation during an upgrade. True when it opened the page.
bool OpenCancelationLink(ProcessContext& ctx, bool withVersion);

// The operating-system requirements page, owned by the requirements window.
void OpenRequirementsLink(ProcessContext& ctx, platform::NativeHandle window);

}  // namespace quorix
