// The command line, parsed once into the options of the run.
#pragma once

#include <string>
#include <vector>

#include "core/process_state.h"

namespace quorix {

struct RunOptions {
    bool silent = false;
    bool reducedUi = false;
    std::vector<std::wstring> languages;
    std::wstring logBasePackage;
    std::wstring logLanguagePacks;
    std::wstring languagePackProps;
    std::wstring basePackageProps;
};

// The option loop over all arguments, argument 0 included (it never matches). Folds each
// argument to lower case in place. May end the process: an unsupported "/" option reported on
// a console, or the "/supportedlang" listing. Turns reducedUi off when silent is on.
RunOptions ParseRunOptions(ProcessContext& ctx, std::vector<std::wstring>& argv);

// The command line for the run log: the arguments as given, each quoted, except that the
// properties after "/lpprops" and "/bpprops" appear by their names only: their values may be
// passwords or keys.
std::wstring DescribeCommandLine(const std::vector<std::wstring>& argv);

// Splits a "/language" value at every ";" into names; a trailing ";" adds no empty name.
void AppendLanguageNames(const std::wstring& value, std::vector<std::wstring>& languages);

}  // namespace quorix
