// Catalog texts of es-ES, fr-FR, it-IT and pt-BR.
#include "ui/language_catalog.h"

namespace quorix::ui::catalog_texts {

const LocaleTexts kEsEs = {{
    // DialogTitle
    L"Instalación de Velora Quorix 2011",
    // LanguageLabel
    L"Idioma:",
    // NextButton
    L"Siguiente",
    // CustomInstallation
    L"Instalación personalizada",
    // WelcomeTitle
    L"Bienvenido a la instalación de Velora Quorix 2011",
    // WelcomeAdvice
    L"Antes de la instalación, le recomendamos que guarde todos los archivos y cierre todos los "
    L"programas.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s versión %s ya está instalado. Debe quitar la versión existente antes de instalar %s "
    L"versión %s.\r\n\r\n¿Desea desinstalar la versión existente de %s?",
    // AlreadyInstalled: product, product
    L"%s ya está instalado.\r\n\r\n¿Desea desinstalar %s ahora?",
    // NewerVersionInstalled: product, new version, product
    L"No se puede instalar %s versión %s porque ya hay instalada una versión más reciente de %s.",
    // PendingInstallation: product
    L"No puede instalar %s porque la instalación de otro producto de Velora aún no ha "
    L"finalizado. Debe reiniciar el equipo para completar la instalación.\r\n\r\n"
    L"¿Desea reiniciar el equipo ahora?",
    // AutoRemovalNotice
    L"La versión de Velora Quorix instalada actualmente se quitará automáticamente.",
    // CancelConfirm
    L"¿Está seguro de que desea cancelar la instalación de Velora Quorix 2011?",
    // ReturnToPreviousNote
    L"Más adelante podrá volver fácilmente a su versión actual de Velora Quorix 2010 "
    L"reinstalándola.\nVelora Quorix 2011 incluye todas las funciones de la versión anterior, "
    L"además de funciones completamente nuevas.",
}};

// French puts a no-break space (U+00A0) before ":" and "?", so that the sign never starts a line.
const LocaleTexts kFrFr = {{
    // DialogTitle
    L"Installation de Velora Quorix 2011",
    // LanguageLabel
    L"Langue\u00A0:",
    // NextButton
    L"Suivant",
    // CustomInstallation
    L"Installation personnalisée",
    // WelcomeTitle
    L"Bienvenue dans l'installation de Velora Quorix 2011",
    // WelcomeAdvice
    L"Avant l'installation, nous vous recommandons d'enregistrer tous vos fichiers et de fermer "
    L"tous les programmes.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s version %s est déjà installé. Vous devez supprimer la version existante avant "
    L"d'installer %s version %s.\r\n\r\nVoulez-vous désinstaller la version existante de "
    L"%s\u00A0?",
    // AlreadyInstalled: product, product
    L"%s est déjà installé.\r\n\r\nVoulez-vous désinstaller %s maintenant\u00A0?",
    // NewerVersionInstalled: product, new version, product
    L"Impossible d'installer %s version %s, car une version plus récente de %s est déjà "
    L"installée.",
    // PendingInstallation: product
    L"Vous ne pouvez pas installer %s, car l'installation d'un autre produit Velora n'est pas "
    L"encore terminée. Vous devez redémarrer votre ordinateur pour terminer l'installation."
    L"\r\n\r\nVoulez-vous redémarrer votre ordinateur maintenant\u00A0?",
    // AutoRemovalNotice
    L"La version de Velora Quorix actuellement installée sera automatiquement supprimée.",
    // CancelConfirm
    L"Voulez-vous vraiment annuler l'installation de Velora Quorix 2011\u00A0?",
    // ReturnToPreviousNote
    L"Vous pourrez facilement revenir plus tard à votre version actuelle de Velora Quorix 2010 "
    L"en la réinstallant.\nVelora Quorix 2011 comprend toutes les fonctions de la version "
    L"précédente, ainsi que de toutes nouvelles fonctions.",
}};

const LocaleTexts kItIt = {{
    // DialogTitle
    L"Installazione di Velora Quorix 2011",
    // LanguageLabel
    L"Lingua:",
    // NextButton
    L"Avanti",
    // CustomInstallation
    L"Installazione personalizzata",
    // WelcomeTitle
    L"Benvenuti nell'installazione di Velora Quorix 2011",
    // WelcomeAdvice
    L"Prima dell'installazione si consiglia di salvare tutti i file e di chiudere tutti i "
    L"programmi.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s versione %s è già installato. È necessario rimuovere la versione esistente prima di "
    L"installare %s versione %s.\r\n\r\nDisinstallare la versione esistente di %s?",
    // AlreadyInstalled: product, product
    L"%s è già installato.\r\n\r\nDisinstallare %s ora?",
    // NewerVersionInstalled: product, new version, product
    L"Impossibile installare %s versione %s perché è già installata una versione più recente "
    L"di %s.",
    // PendingInstallation: product
    L"Impossibile installare %s perché l'installazione di un altro prodotto Velora non è ancora "
    L"stata completata. Per completare l'installazione è necessario riavviare il computer."
    L"\r\n\r\nRiavviare il computer ora?",
    // AutoRemovalNotice
    L"La versione di Velora Quorix attualmente installata verrà rimossa automaticamente.",
    // CancelConfirm
    L"Si desidera davvero annullare l'installazione di Velora Quorix 2011?",
    // ReturnToPreviousNote
    L"In seguito sarà possibile tornare facilmente alla versione attuale di Velora Quorix 2010 "
    L"reinstallandola.\nVelora Quorix 2011 include tutte le funzioni della versione precedente "
    L"e in più funzioni completamente nuove.",
}};

const LocaleTexts kPtBr = {{
    // DialogTitle
    L"Instalação do Velora Quorix 2011",
    // LanguageLabel
    L"Idioma:",
    // NextButton
    L"Avançar",
    // CustomInstallation
    L"Instalação personalizada",
    // WelcomeTitle
    L"Bem-vindo à instalação do Velora Quorix 2011",
    // WelcomeAdvice
    L"Antes da instalação, recomendamos que você salve todos os arquivos e feche todos os "
    L"programas.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s versão %s já está instalado. Você precisa remover a versão existente antes de "
    L"instalar %s versão %s.\r\n\r\nDeseja desinstalar a versão existente do %s?",
    // AlreadyInstalled: product, product
    L"%s já está instalado.\r\n\r\nDeseja desinstalar o %s agora?",
    // NewerVersionInstalled: product, new version, product
    L"Não é possível instalar %s versão %s porque uma versão mais recente do %s já está "
    L"instalada.",
    // PendingInstallation: product
    L"Não é possível instalar %s porque a instalação de outro produto Velora ainda não foi "
    L"concluída. É necessário reiniciar o computador para concluir a instalação.\r\n\r\n"
    L"Deseja reiniciar o computador agora?",
    // AutoRemovalNotice
    L"A versão do Velora Quorix instalada atualmente será removida automaticamente.",
    // CancelConfirm
    L"Tem certeza de que deseja cancelar a instalação do Velora Quorix 2011?",
    // ReturnToPreviousNote
    L"Mais tarde, você poderá voltar facilmente à sua versão atual do Velora Quorix 2010 "
    L"reinstalando-a.\nO Velora Quorix 2011 inclui todas as funções da versão anterior, além de "
    L"funções totalmente novas.",
}};

}  // namespace quorix::ui::catalog_texts
