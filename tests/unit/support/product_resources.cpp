#include "support/product_resources.h"

#include <map>

#include "ui/resources/resource_ids.h"

namespace quorix::test {

sim::SimDialogTemplate WelcomeDialogTemplate() {
    sim::SimDialogTemplate t;
    t.style = 0x80C808C8;
    t.width = 333;
    t.height = 223;
    t.caption = L"Velora Quorix 2011 Installation";
    t.controls = {
        {IDC_WELCOME_BANNER, L"Static", 0x5000004E, 0, 0, 333, 192, L""},
        {IDC_WELCOME_NEXT, L"Button", 0x50010001, 275, 200, 50, 15, L"Next >"},
        {IDC_WELCOME_LANGUAGE_COMBO, L"ComboBoxEx32", 0x50210103, 225, 9, 100, 102, L""},
        {IDC_WELCOME_CUSTOM_INSTALLATION, L"Button", 0x50010003, 10, 200, 170, 15,
         L"Custom installation"},
        {IDC_WELCOME_HEADLINE_WITH_SELECTOR, L"Static", 0x50020000, 135, 35, 164, 40, L"Welcome"},
        {IDC_WELCOME_ADVICE_WITH_SELECTOR, L"Static", 0x50020000, 135, 80, 190, 40, L"Advice"},
        {IDC_WELCOME_HEADLINE_ALONE, L"Static", 0x50020000, 135, 10, 164, 40, L"Welcome"},
        {IDC_WELCOME_ADVICE_ALONE, L"Static", 0x50020000, 135, 55, 190, 40, L"Advice"},
        {IDC_WELCOME_LANGUAGE_LABEL, L"Static", 0x50020202, 125, 10, 95, 12, L"Language:"},
        {IDC_WELCOME_NOTICE_PANEL, L"Static", 0x4000000D, 135, 140, 190, 45, L""},
        {IDC_WELCOME_NOTICE_PICTURE, L"Static", 0x4000000E, 5, 5, 16, 16, L""},
        {IDC_WELCOME_NOTICE_TEXT, L"Static", 0x40020000, 30, 5, 155, 20, L"Notice"},
    };
    return t;
}

void PlaceProductModule(sim::SimMachine& machine) {
    machine.files.modulePath = kProductExePath;
    machine.dialogs.templates[WELCOME_DIALOG] = WelcomeDialogTemplate();
    machine.dialogs.bitmaps.insert(WELCOME_BANNER);
    machine.dialogs.bitmaps.insert(WELCOME_NOTICE);
    for (std::uint32_t id = FLAG_FIRST; id <= FLAG_LAST; ++id) machine.dialogs.bitmaps.insert(id);
}

long ResourceId(const std::string& name) {
#define QUORIX_RESOURCE_ID(id) \
    { #id, id }
    static const std::map<std::string, long> ids = {
        QUORIX_RESOURCE_ID(WELCOME_DIALOG),
        QUORIX_RESOURCE_ID(WELCOME_BANNER),
        QUORIX_RESOURCE_ID(WELCOME_NOTICE),
        QUORIX_RESOURCE_ID(IDC_WELCOME_NEXT),
        QUORIX_RESOURCE_ID(IDC_WELCOME_LANGUAGE_COMBO),
        QUORIX_RESOURCE_ID(IDC_WELCOME_CUSTOM_INSTALLATION),
        QUORIX_RESOURCE_ID(IDC_WELCOME_HEADLINE_WITH_SELECTOR),
        QUORIX_RESOURCE_ID(IDC_WELCOME_ADVICE_WITH_SELECTOR),
        QUORIX_RESOURCE_ID(IDC_WELCOME_HEADLINE_ALONE),
        QUORIX_RESOURCE_ID(IDC_WELCOME_ADVICE_ALONE),
        QUORIX_RESOURCE_ID(IDC_WELCOME_LANGUAGE_LABEL),
        QUORIX_RESOURCE_ID(IDC_WELCOME_BANNER),
        QUORIX_RESOURCE_ID(IDC_WELCOME_NOTICE_PANEL),
        QUORIX_RESOURCE_ID(IDC_WELCOME_NOTICE_PICTURE),
        QUORIX_RESOURCE_ID(IDC_WELCOME_NOTICE_TEXT),
        QUORIX_RESOURCE_ID(FLAG_BRAZIL),
        QUORIX_RESOURCE_ID(FLAG_CHINA),
        QUORIX_RESOURCE_ID(FLAG_DENMARK),
        QUORIX_RESOURCE_ID(FLAG_FRANCE),
        QUORIX_RESOURCE_ID(FLAG_GERMANY),
        QUORIX_RESOURCE_ID(FLAG_ITALY),
        QUORIX_RESOURCE_ID(FLAG_JAPAN),
        QUORIX_RESOURCE_ID(FLAG_SOUTH_KOREA),
        QUORIX_RESOURCE_ID(FLAG_NETHERLANDS),
        QUORIX_RESOURCE_ID(FLAG_POLAND),
        QUORIX_RESOURCE_ID(FLAG_RUSSIA),
        QUORIX_RESOURCE_ID(FLAG_SPAIN),
        QUORIX_RESOURCE_ID(FLAG_UNITED_KINGDOM),
        QUORIX_RESOURCE_ID(FLAG_USA),
        QUORIX_RESOURCE_ID(IDS_REQUIREMENTS_CAPTION),
        QUORIX_RESOURCE_ID(IDS_WINDOWS_NOT_SUPPORTED),
        QUORIX_RESOURCE_ID(IDS_WINDOWS_XP_UPDATE),
    };
#undef QUORIX_RESOURCE_ID
    const auto it = ids.find(name);
    return it == ids.end() ? -1 : it->second;
}

}  // namespace quorix::test
