// Catalog texts of de-DE, da-DK and nl-NL. They share a file because da-DK borrows five of the
// German texts (the title, the welcome heading, the removal notice and the cancel question with
// its note); pointing at the same constants keeps the borrowed texts from drifting apart.
#include "ui/language_catalog.h"

namespace quorix::ui::catalog_texts {

namespace {

const wchar_t kGermanDialogTitle[] = L"Installation von Velora Quorix 2011";
const wchar_t kGermanWelcomeTitle[] = L"Willkommen bei der Installation von Velora Quorix 2011";
const wchar_t kGermanAutoRemovalNotice[] =
    L"Ihre derzeit installierte Version von Velora Quorix wird automatisch entfernt.";
const wchar_t kGermanCancelConfirm[] =
    L"Möchten Sie die Installation von Velora Quorix 2011 wirklich abbrechen?";
const wchar_t kGermanReturnToPreviousNote[] =
    L"Sie können später problemlos zu Ihrer aktuellen Version von Velora Quorix 2010 "
    L"zurückkehren, indem Sie diese erneut installieren.\nVelora Quorix 2011 enthält alle "
    L"Funktionen der Vorgängerversion und zusätzlich brandneue Funktionen.";

}  // namespace

const LocaleTexts kDeDe = {{
    // DialogTitle
    kGermanDialogTitle,
    // LanguageLabel
    L"Sprache:",
    // NextButton
    L"Weiter",
    // CustomInstallation
    L"Benutzerdefinierte Installation",
    // WelcomeTitle
    kGermanWelcomeTitle,
    // WelcomeAdvice
    L"Wir empfehlen, vor der Installation alle Dateien zu speichern und alle Programme zu "
    L"schließen.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s Version %s ist bereits installiert. Sie müssen die vorhandene Version entfernen, bevor "
    L"Sie %s Version %s installieren.\r\n\r\nMöchten Sie die vorhandene Version von %s "
    L"deinstallieren?",
    // AlreadyInstalled: product, product
    L"%s ist bereits installiert.\r\n\r\nMöchten Sie %s jetzt deinstallieren?",
    // NewerVersionInstalled: product, new version, product
    L"%s Version %s kann nicht installiert werden, da bereits eine neuere Version von %s "
    L"installiert ist.",
    // PendingInstallation: product
    L"%s kann nicht installiert werden, da die Installation eines anderen Velora-Produkts noch "
    L"nicht abgeschlossen ist. Sie müssen Ihren Computer neu starten, um die Installation "
    L"abzuschließen.\r\n\r\nMöchten Sie Ihren Computer jetzt neu starten?",
    // AutoRemovalNotice
    kGermanAutoRemovalNotice,
    // CancelConfirm
    kGermanCancelConfirm,
    // ReturnToPreviousNote
    kGermanReturnToPreviousNote,
}};

const LocaleTexts kDaDk = {{
    // DialogTitle (German)
    kGermanDialogTitle,
    // LanguageLabel
    L"Sprog:",
    // NextButton
    L"Næste",
    // CustomInstallation
    L"Brugerdefineret installation",
    // WelcomeTitle (German)
    kGermanWelcomeTitle,
    // WelcomeAdvice
    L"Før installationen anbefaler vi, at du gemmer alle filer og lukker alle programmer.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s version %s er allerede installeret. Du skal fjerne den eksisterende version, før du "
    L"installerer %s version %s.\r\n\r\nVil du afinstallere den eksisterende version af %s?",
    // AlreadyInstalled: product, product
    L"%s er allerede installeret.\r\n\r\nVil du afinstallere %s nu?",
    // NewerVersionInstalled: product, new version, product
    L"%s version %s kan ikke installeres, fordi en nyere version af %s allerede er installeret.",
    // PendingInstallation: product
    L"Du kan ikke installere %s, fordi installationen af et andet Velora-produkt endnu ikke er "
    L"fuldført. Du skal genstarte computeren for at fuldføre installationen.\r\n\r\n"
    L"Vil du genstarte computeren nu?",
    // AutoRemovalNotice (German)
    kGermanAutoRemovalNotice,
    // CancelConfirm (German)
    kGermanCancelConfirm,
    // ReturnToPreviousNote (German)
    kGermanReturnToPreviousNote,
}};

const LocaleTexts kNlNl = {{
    // DialogTitle
    L"Installatie van Velora Quorix 2011",
    // LanguageLabel
    L"Taal:",
    // NextButton
    L"Volgende",
    // CustomInstallation
    L"Aangepaste installatie",
    // WelcomeTitle
    L"Welkom bij de installatie van Velora Quorix 2011",
    // WelcomeAdvice
    L"Wij raden u aan om vóór de installatie alle bestanden op te slaan en alle programma's te "
    L"sluiten.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s versie %s is al geïnstalleerd. U moet de bestaande versie verwijderen voordat u %s "
    L"versie %s installeert.\r\n\r\nWilt u de bestaande versie van %s verwijderen?",
    // AlreadyInstalled: product, product
    L"%s is al geïnstalleerd.\r\n\r\nWilt u %s nu verwijderen?",
    // NewerVersionInstalled: product, new version, product
    L"%s versie %s kan niet worden geïnstalleerd, omdat er al een recentere versie van %s is "
    L"geïnstalleerd.",
    // PendingInstallation: product
    L"U kunt %s niet installeren, omdat de installatie van een ander Velora-product nog niet is "
    L"voltooid. U moet de computer opnieuw opstarten om de installatie te voltooien.\r\n\r\n"
    L"Wilt u de computer nu opnieuw opstarten?",
    // AutoRemovalNotice
    L"Uw momenteel geïnstalleerde versie van Velora Quorix wordt automatisch verwijderd.",
    // CancelConfirm
    L"Weet u zeker dat u de installatie van Velora Quorix 2011 wilt annuleren?",
    // ReturnToPreviousNote
    L"U kunt later eenvoudig terugkeren naar uw huidige versie van Velora Quorix 2010 door deze "
    L"opnieuw te installeren.\nVelora Quorix 2011 bevat alle functies van de vorige versie, "
    L"aangevuld met gloednieuwe functies.",
}};

}  // namespace quorix::ui::catalog_texts
