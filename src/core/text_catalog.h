// The text catalog the process state holds: the message keys and one ordered map per key.
//
// The maps hold pointers to the statically allocated translations; filling them and looking a
// text up belong to the language catalog (ui/language_catalog.h).
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>

namespace quorix {

// "en-US": two lower-case language letters, a hyphen, two upper-case country letters.
constexpr std::size_t kLocaleCodeLength = 5;

// Catalog keys in storage order; the values index TextCatalog::maps and LocaleTexts.
enum class MessageKey : int {
    DialogTitle,
    LanguageLabel,
    NextButton,
    CustomInstallation,
    WelcomeTitle,
    WelcomeAdvice,
    OlderVersionInstalled,
    AlreadyInstalled,
    NewerVersionInstalled,
    PendingInstallation,
    AutoRemovalNotice,
    CancelConfirm,
    ReturnToPreviousNote,
};

constexpr std::size_t kMessageKeyCount = 13;

// One ordered map per key, from locale code (ordinal comparison) to the locale's text. Empty
// until the catalog is built; owned by the process state, never a global of its own.
struct TextCatalog {
    std::array<std::map<std::wstring, const wchar_t*>, kMessageKeyCount> maps;
};

}  // namespace quorix
