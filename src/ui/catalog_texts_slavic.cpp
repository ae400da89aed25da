// Catalog texts of pl-PL and ru-RU.
#include "ui/language_catalog.h"

namespace quorix::ui::catalog_texts {

const LocaleTexts kPlPl = {{
    // DialogTitle
    L"Instalacja programu Velora Quorix 2011",
    // LanguageLabel
    L"Język:",
    // NextButton
    L"Dalej",
    // CustomInstallation
    L"Instalacja niestandardowa",
    // WelcomeTitle
    L"Witamy w instalatorze programu Velora Quorix 2011",
    // WelcomeAdvice
    L"Przed instalacją zalecamy zapisanie wszystkich plików i zamknięcie wszystkich programów.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"Program %s w wersji %s jest już zainstalowany. Przed zainstalowaniem programu %s w wersji "
    L"%s należy usunąć istniejącą wersję.\r\n\r\nCzy chcesz odinstalować istniejącą wersję "
    L"programu %s?",
    // AlreadyInstalled: product, product
    L"Program %s jest już zainstalowany.\r\n\r\nCzy chcesz teraz odinstalować program %s?",
    // NewerVersionInstalled: product, new version, product
    L"Nie można zainstalować programu %s w wersji %s, ponieważ zainstalowana jest już nowsza "
    L"wersja programu %s.",
    // PendingInstallation: product
    L"Nie można zainstalować programu %s, ponieważ instalacja innego produktu firmy Velora nie "
    L"została jeszcze ukończona. Aby ukończyć instalację, należy ponownie uruchomić komputer."
    L"\r\n\r\nCzy chcesz teraz ponownie uruchomić komputer?",
    // AutoRemovalNotice
    L"Obecnie zainstalowana wersja programu Velora Quorix zostanie automatycznie usunięta.",
    // CancelConfirm
    L"Czy na pewno chcesz anulować instalację programu Velora Quorix 2011?",
    // ReturnToPreviousNote
    L"Później możesz łatwo powrócić do bieżącej wersji programu Velora Quorix 2010, instalując "
    L"ją ponownie.\nVelora Quorix 2011 zawiera wszystkie funkcje poprzedniej wersji oraz "
    L"zupełnie nowe funkcje.",
}};

const LocaleTexts kRuRu = {{
    // DialogTitle
    L"Установка Velora Quorix 2011",
    // LanguageLabel
    L"Язык:",
    // NextButton
    L"Далее",
    // CustomInstallation
    L"Выборочная установка",
    // WelcomeTitle
    L"Вас приветствует программа установки Velora Quorix 2011",
    // WelcomeAdvice
    L"Перед установкой рекомендуется сохранить все файлы и закрыть все программы.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s версии %s уже установлен. Перед установкой %s версии %s необходимо удалить "
    L"существующую версию.\r\n\r\nУдалить существующую версию %s?",
    // AlreadyInstalled: product, product
    L"%s уже установлен.\r\n\r\nУдалить %s сейчас?",
    // NewerVersionInstalled: product, new version, product
    L"Невозможно установить %s версии %s, так как уже установлена более новая версия %s.",
    // PendingInstallation: product
    L"Невозможно установить %s, так как установка другого продукта Velora ещё не завершена. "
    L"Для завершения установки необходимо перезагрузить компьютер.\r\n\r\n"
    L"Перезагрузить компьютер сейчас?",
    // AutoRemovalNotice
    L"Установленная в настоящее время версия Velora Quorix будет удалена автоматически.",
    // CancelConfirm
    L"Вы действительно хотите отменить установку Velora Quorix 2011?",
    // ReturnToPreviousNote
    L"Позже вы сможете легко вернуться к текущей версии Velora Quorix 2010, установив её "
    L"заново.\nVelora Quorix 2011 включает все функции предыдущей версии, а также совершенно "
    L"новые функции.",
}};

}  // namespace quorix::ui::catalog_texts
