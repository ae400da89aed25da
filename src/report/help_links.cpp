#include "report/help_links.h"

#include "common/text.h"
#include "core/product_constants.h"
#include "platform/shell.h"
#include "report/report_parameters.h"
#include "report/url_encoding.h"

namespace quorix {

namespace {

std::wstring SignedDecimal(int value) {
    const auto wide = static_cast<std::int64_t>(value);
    return wide < 0 ? L"-" + ToDecimal(static_cast<std::uint64_t>(-wide))
                    : ToDecimal(static_cast<std::uint64_t>(wide));
}

// The report query for an address that starts with `head`, so that the whole address stays
// within kHelpAddressBudget.
std::wstring ReportQuery(ProcessContext& ctx, const std::wstring& head,
                         const std::wstring& languageCode) {
    ReportParameters report(kReportProductId, ctx.state.affiliateId, std::wstring(), languageCode);
    report.Collect(ctx);
    return report.QueryString(head.size() < kHelpAddressBudget ? kHelpAddressBudget - head.size()
                                                               : 0);
}

platform::ShellRequest OpenRequest(platform::NativeHandle owner, const std::wstring& file,
                                   const std::wstring& parameters, int show) {
    platform::ShellRequest request;
    request.owner = owner;
    request.verb = L"open";
    request.file = file;
    request.parameters = parameters;
    request.show = show;
    return request;
}

// The page for the run log: the address up to its report query, which describes the user's
// machine and installation and stays out of the log: the first headLength characters.
void LogHelpLink(ProcessContext& ctx, const std::wstring& url, std::size_t headLength,
                 const char* outcome) {
    ctx.state.log.Write("help", {std::wstring_view(url).substr(0, headLength),
                                 " (report query left out): ", outcome});
}

// Opens the address with the user's browser; where no handler answers, Explorer is asked to
// open it instead (its result is not looked at: there is nothing left to try).
void OpenInBrowser(ProcessContext& ctx, const std::wstring& url, std::size_t headLength,
                   bool quoteForExplorer) {
    platform::Shell& shell = ctx.os.shell;
    const std::uintptr_t result = shell.Execute(
        OpenRequest(platform::kNullHandle, url, std::wstring(), platform::kSwShowNormal));
    if (platform::ShellExecuteSucceeded(result)) {
        LogHelpLink(ctx, url, headLength, "opened in the browser");
        return;
    }
    const std::wstring parameters = quoteForExplorer ? L"\"" + url + L"\"" : url;
    const bool opened = platform::ShellExecuteSucceeded(shell.Execute(
        OpenRequest(platform::kNullHandle, L"explorer.exe", parameters, platform::kSwShowNormal)));
    LogHelpLink(ctx, url, headLength,
                opened ? "no browser answered, handed to Explorer"
                       : "no browser answered, and Explorer could not be started");
}

}  // namespace

void OpenInstallHelpLink(ProcessContext& ctx, std::uint32_t errorCode, const std::wstring& language,
                         ConfigureAction action) {
    std::wstring url = std::wstring(kLinkServerBase) + L"/link/?target=installhelp";
    url += L"&errorcode=" + ToDecimal(errorCode);
    url += L"&action=" + SignedDecimal(action);
    const std::size_t headLength = url.size();
    // After a success the page needs no language: the report takes the installed product's.
    url += ReportQuery(ctx, url, errorCode != 0 ? language : std::wstring());
    OpenInBrowser(ctx, url, headLength, true);
}

bool OpenCancelationLink(ProcessContext& ctx, bool withVersion) {
    // Releases before the previous generation knew no cancellation page.
    if (ctx.state.installedMajorVersion < kPreviousGenerationMajorVersion) return false;
    std::wstring url = std::wstring(kLinkServerBase) + L"/link/?target=cancelationduringupgrade";
    if (withVersion) url += L"&uninstalledversion=" + ToDecimal(ctx.state.installedMajorVersion);
    const std::size_t headLength = url.size();
    url += ReportQuery(ctx, url, std::wstring());
    OpenInBrowser(ctx, url, headLength, false);
    return true;
}

void OpenRequirementsLink(ProcessContext& ctx, platform::NativeHandle window) {
    std::wstring url = std::wstring(kLinkServerBase) + L"/link/?target=osrequirements";
    url += L"&app=" + UrlEncode(kReportProductId);
    const std::size_t headLength = url.size();
    url += ReportQuery(ctx, url, std::wstring());
    const bool opened = platform::ShellExecuteSucceeded(
        ctx.os.shell.Execute(OpenRequest(window, url, std::wstring(), platform::kSwShow)));
    LogHelpLink(ctx, url, headLength, opened ? "opened in the browser" : "could not be opened");
}

}  // namespace quorix
