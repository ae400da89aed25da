#include "bootstrap/run_options.h"

#include "bootstrap/console_output.h"
#include "common/text.h"
#include "core/parent_console.h"
#include "core/process_exit.h"

namespace quorix {

namespace {

bool BeginsWithSlash(const std::wstring& argument) {
    return !argument.empty() && argument[0] == L'/';
}

// "/lpprops" and "/bpprops": every following argument up to the next "/" option, each with
// one blank after it. Collected before those arguments have been folded, so they keep their case.
std::wstring CollectProperties(const std::vector<std::wstring>& argv, std::size_t option) {
    std::wstring properties;
    for (std::size_t j = option + 1; j < argv.size() && !BeginsWithSlash(argv[j]); ++j) {
        properties += argv[j];
        properties += L' ';
    }
    return properties;
}

bool IsPropertiesOption(std::wstring argument) {
    FoldAsciiLowerInPlace(argument);
    return argument == L"/lpprops" || argument == L"/bpprops";
}

}  // namespace

std::wstring DescribeCommandLine(const std::vector<std::wstring>& argv) {
    std::wstring text;
    bool inProperties = false;
    for (const std::wstring& argument : argv) {
        if (BeginsWithSlash(argument)) inProperties = IsPropertiesOption(argument);
        std::wstring shown = argument;
        if (inProperties && !BeginsWithSlash(argument)) {
            const std::size_t equals = argument.find(L'=');
            shown = equals == std::wstring::npos ? L"(a text without a property name)"
                                                 : argument.substr(0, equals);
        }
        if (!text.empty()) text += L' ';
        text += L"\"" + shown + L"\"";
    }
    return text;
}

void AppendLanguageNames(const std::wstring& value, std::vector<std::wstring>& languages) {
    std::size_t start = 0;
    while (start < value.size()) {
        std::size_t end = value.find(L';', start);
        if (end == std::wstring::npos) end = value.size();
        languages.push_back(value.substr(start, end - start));
        start = end + 1;
    }
}

RunOptions ParseRunOptions(ProcessContext& ctx, std::vector<std::wstring>& argv) {
    RunOptions options;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        std::wstring& argument = argv[i];
        FoldAsciiLowerInPlace(argument);
        // The value is copied now, before its own turn folds it.
        const bool hasValue = i + 1 < argv.size() && !BeginsWithSlash(argv[i + 1]);
        const std::wstring value = hasValue ? argv[i + 1] : std::wstring();

        if (argument == L"/silent") {
            options.silent = true;
        } else if (argument == L"/reducedui") {
            options.reducedUi = true;
        } else if (argument == L"/language") {
            if (hasValue) AppendLanguageNames(value, options.languages);
        } else if (argument == L"/logbp") {
            if (hasValue) options.logBasePackage = value;
        } else if (argument == L"/loglp") {
            if (hasValue) options.logLanguagePacks = value;
        } else if (argument == L"/lpprops") {
            options.languagePackProps = CollectProperties(argv, i);
        } else if (argument == L"/bpprops") {
            options.basePackageProps = CollectProperties(argv, i);
        } else if (argument == L"/supportedlang") {
            ListSupportedLanguages(ctx);
        } else if (BeginsWithSlash(argument)) {
            if (AttachParentConsole(ctx)) {
                ctx.os.console.Write(
                    FormatText(L"\nParameter \"%s\" is not supported!\n", {argument}));
                DetachConsole(ctx);
                EndRun(
                    ctx, ExitCode::Success,
                    {"the unsupported parameter \"", argument, "\" was reported on the console"});
            }
        }
    }
    if (options.silent && options.reducedUi) options.reducedUi = false;
    return options;
}

}  // namespace quorix
