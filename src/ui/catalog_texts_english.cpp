// en-US texts of the catalog. en-GB shares them: the setup has no British wording of its own.
#include "ui/language_catalog.h"

namespace quorix::ui::catalog_texts {

const LocaleTexts kEnUs = {{
    // DialogTitle
    L"Velora Quorix 2011 Installation",
    // LanguageLabel
    L"Language:",
    // NextButton
    L"Next",
    // CustomInstallation
    L"Custom installation",
    // WelcomeTitle
    L"Welcome to the installation of Velora Quorix 2011",
    // WelcomeAdvice
    L"Before installation, we recommend that you save all files and close all programs.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s version %s is already installed. You must remove the existing version before you "
    L"install %s version %s.\r\n\r\nWould you like to uninstall the existing version of %s?",
    // AlreadyInstalled: product, product
    L"%s is already installed.\r\n\r\nWould you like to uninstall %s now?",
    // NewerVersionInstalled: product, new version, product
    L"%s version %s cannot be installed because a more recent version of %s is already "
    L"installed.",
    // PendingInstallation: product
    L"You cannot install %s because the installation of another Velora product is not "
    L"completed yet. You need to restart your computer to complete the installation.\r\n\r\n"
    L"Would you like to restart your computer now?",
    // AutoRemovalNotice
    L"Your currently installed version of Velora Quorix will be automatically removed.",
    // CancelConfirm
    L"Are you sure you want to cancel the installation of Velora Quorix 2011?",
    // ReturnToPreviousNote: appended to the cancel question, hence the bare line feed
    L"You can easily return to your current version of Velora Quorix 2010 at a later stage by "
    L"reinstalling it.\nVelora Quorix 2011 includes all functions of the previous version with "
    L"additional brand new functions.",
}};

}  // namespace quorix::ui::catalog_texts
