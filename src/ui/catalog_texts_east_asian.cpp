// Catalog texts of ja-JP, ko-KR, zh-CN and zh-TW (Traditional Chinese).
#include "ui/language_catalog.h"

namespace quorix::ui::catalog_texts {

const LocaleTexts kJaJp = {{
    // DialogTitle
    L"Velora Quorix 2011 のインストール",
    // LanguageLabel
    L"言語:",
    // NextButton
    L"次へ",
    // CustomInstallation
    L"カスタム インストール",
    // WelcomeTitle
    L"Velora Quorix 2011 のインストールへようこそ",
    // WelcomeAdvice
    L"インストールを開始する前に、すべてのファイルを保存し、すべてのプログラムを終了することを"
    L"お勧めします。",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s バージョン %s は既にインストールされています。%s バージョン %s をインストールする前に、"
    L"既存のバージョンを削除する必要があります。\r\n\r\n既存のバージョンの %s を"
    L"アンインストールしますか?",
    // AlreadyInstalled: product, product
    L"%s は既にインストールされています。\r\n\r\n%s を今すぐアンインストールしますか?",
    // NewerVersionInstalled: product, new version, product
    L"%s バージョン %s はインストールできません。より新しいバージョンの %s が既に"
    L"インストールされています。",
    // PendingInstallation: product
    L"別の Velora 製品のインストールがまだ完了していないため、%s をインストールできません。"
    L"インストールを完了するには、コンピューターを再起動する必要があります。\r\n\r\n"
    L"今すぐコンピューターを再起動しますか?",
    // AutoRemovalNotice
    L"現在インストールされているバージョンの Velora Quorix は自動的に削除されます。",
    // CancelConfirm
    L"Velora Quorix 2011 のインストールを中止してもよろしいですか?",
    // ReturnToPreviousNote
    L"後で再インストールすれば、現在お使いのバージョンの Velora Quorix 2010 に簡単に戻すことが"
    L"できます。\nVelora Quorix 2011 には、以前のバージョンのすべての機能に加えて、まったく新しい"
    L"機能が搭載されています。",
}};

const LocaleTexts kKoKr = {{
    // DialogTitle
    L"Velora Quorix 2011 설치",
    // LanguageLabel
    L"언어:",
    // NextButton
    L"다음",
    // CustomInstallation
    L"사용자 지정 설치",
    // WelcomeTitle
    L"Velora Quorix 2011 설치 프로그램에 오신 것을 환영합니다",
    // WelcomeAdvice
    L"설치하기 전에 모든 파일을 저장하고 모든 프로그램을 닫는 것이 좋습니다.",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s 버전 %s이(가) 이미 설치되어 있습니다. %s 버전 %s을(를) 설치하려면 먼저 기존 버전을 "
    L"제거해야 합니다.\r\n\r\n기존 버전의 %s을(를) 제거하시겠습니까?",
    // AlreadyInstalled: product, product
    L"%s이(가) 이미 설치되어 있습니다.\r\n\r\n지금 %s을(를) 제거하시겠습니까?",
    // NewerVersionInstalled: product, new version, product
    L"%s 버전 %s을(를) 설치할 수 없습니다. 더 최신 버전의 %s이(가) 이미 설치되어 있습니다.",
    // PendingInstallation: product
    L"다른 Velora 제품의 설치가 아직 완료되지 않았으므로 %s을(를) 설치할 수 없습니다. 설치를 "
    L"완료하려면 컴퓨터를 다시 시작해야 합니다.\r\n\r\n지금 컴퓨터를 다시 시작하시겠습니까?",
    // AutoRemovalNotice
    L"현재 설치되어 있는 Velora Quorix 버전은 자동으로 제거됩니다.",
    // CancelConfirm
    L"Velora Quorix 2011 설치를 취소하시겠습니까?",
    // ReturnToPreviousNote
    L"나중에 다시 설치하면 현재 버전인 Velora Quorix 2010으로 쉽게 돌아갈 수 있습니다.\n"
    L"Velora Quorix 2011에는 이전 버전의 모든 기능과 함께 완전히 새로운 기능이 포함되어 "
    L"있습니다.",
}};

const LocaleTexts kZhCn = {{
    // DialogTitle
    L"Velora Quorix 2011 安装",
    // LanguageLabel
    L"语言:",
    // NextButton
    L"下一步",
    // CustomInstallation
    L"自定义安装",
    // WelcomeTitle
    L"欢迎安装 Velora Quorix 2011",
    // WelcomeAdvice
    L"安装前,建议您保存所有文件并关闭所有程序。",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s 版本 %s 已安装。您必须先删除现有版本,然后才能安装 %s 版本 %s。\r\n\r\n"
    L"是否要卸载现有版本的 %s?",
    // AlreadyInstalled: product, product
    L"%s 已安装。\r\n\r\n是否要立即卸载 %s?",
    // NewerVersionInstalled: product, new version, product
    L"无法安装 %s 版本 %s,因为已安装了更新版本的 %s。",
    // PendingInstallation: product
    L"无法安装 %s,因为另一个 Velora 产品的安装尚未完成。您需要重新启动计算机以完成安装。"
    L"\r\n\r\n是否要立即重新启动计算机?",
    // AutoRemovalNotice
    L"您当前安装的 Velora Quorix 版本将被自动删除。",
    // CancelConfirm
    L"确实要取消 Velora Quorix 2011 的安装吗?",
    // ReturnToPreviousNote
    L"以后您可以通过重新安装,轻松恢复到当前的 Velora Quorix 2010 版本。\n"
    L"Velora Quorix 2011 包含以前版本的所有功能,并新增了全新的功能。",
}};

const LocaleTexts kZhTw = {{
    // DialogTitle
    L"Velora Quorix 2011 安裝",
    // LanguageLabel
    L"語言:",
    // NextButton
    L"下一步",
    // CustomInstallation
    L"自訂安裝",
    // WelcomeTitle
    L"歡迎安裝 Velora Quorix 2011",
    // WelcomeAdvice
    L"安裝前,建議您儲存所有檔案並關閉所有程式。",
    // OlderVersionInstalled: product, installed version, product, new version, product
    L"%s 版本 %s 已安裝。您必須先移除現有版本,才能安裝 %s 版本 %s。\r\n\r\n"
    L"是否要解除安裝現有版本的 %s?",
    // AlreadyInstalled: product, product
    L"%s 已安裝。\r\n\r\n是否要立即解除安裝 %s?",
    // NewerVersionInstalled: product, new version, product
    L"無法安裝 %s 版本 %s,因為已安裝較新版本的 %s。",
    // PendingInstallation: product
    L"無法安裝 %s,因為另一個 Velora 產品的安裝尚未完成。您必須重新啟動電腦才能完成安裝。"
    L"\r\n\r\n是否要立即重新啟動電腦?",
    // AutoRemovalNotice
    L"您目前安裝的 Velora Quorix 版本將會自動移除。",
    // CancelConfirm
    L"確定要取消 Velora Quorix 2011 的安裝嗎?",
    // ReturnToPreviousNote
    L"日後您可以透過重新安裝,輕鬆回復到目前的 Velora Quorix 2010 版本。\n"
    L"Velora Quorix 2011 包含舊版的所有功能,並新增了全新的功能。",
}};

}  // namespace quorix::ui::catalog_texts
