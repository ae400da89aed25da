#include "ui/welcome_layout.h"

#include "core/product_constants.h"

namespace quorix::ui {

std::vector<int> ControlsHiddenForPackCount(std::size_t packCount) {
    if (packCount <= 1) {
        return {kHeadlineWithSelector, kAdviceWithSelector, kLanguageCombo, kLanguageLabel};
    }
    return {kHeadlineAlone, kAdviceAlone};
}

int LargeFontHeight(int dpi) { return -((12 * dpi + 71) / 72); }

int SmallFontHeight(int dpi) { return -((8 * dpi + 71) / 72); }

const std::vector<int>& LargeFontControls() {
    static const std::vector<int> controls = {kHeadlineWithSelector, kHeadlineAlone};
    return controls;
}

const std::vector<int>& SmallFontControls() {
    static const std::vector<int> controls = {kAdviceWithSelector,    kAdviceAlone,
                                              kLanguageCombo,         kNextButton,
                                              kCustomInstallationBox, kLanguageLabel};
    return controls;
}

StaticColouring ColouringForStatic(int controlId) {
    switch (controlId) {
        case kHeadlineWithSelector:
        case kHeadlineAlone:
            return StaticColouring{true, true, kHeadlineColor};
        case kAdviceWithSelector:
        case kAdviceAlone:
        case kLanguageLabel:
            return StaticColouring{true, false, 0};
        default:
            return StaticColouring{};
    }
}

std::vector<ControlText> WelcomeTexts(const TextCatalog& catalog, const std::wstring& code,
                                      bool withNotice) {
    auto text = [&](MessageKey key) { return std::wstring(LookupText(catalog, key, code)); };
    std::vector<ControlText> texts = {
        {kNextButton, text(MessageKey::NextButton) + L" >"},
        {kCustomInstallationBox, text(MessageKey::CustomInstallation)},
        {kHeadlineWithSelector, text(MessageKey::WelcomeTitle)},
        {kHeadlineAlone, text(MessageKey::WelcomeTitle)},
        {kAdviceWithSelector, text(MessageKey::WelcomeAdvice)},
        {kAdviceAlone, text(MessageKey::WelcomeAdvice)},
        {kLanguageLabel, text(MessageKey::LanguageLabel)},
        {kDialogCaption, text(MessageKey::DialogTitle)},
    };
    if (withNotice) texts.push_back({kNoticeText, text(MessageKey::AutoRemovalNotice)});
    return texts;
}

std::wstring CancelQuestion(const TextCatalog& catalog, const std::wstring& code,
                            std::uint32_t installedMajorVersion) {
    std::wstring question = LookupText(catalog, MessageKey::CancelConfirm, code);
    if (installedMajorVersion == kPreviousGenerationMajorVersion) {
        question += L"\n\n";
        question += LookupText(catalog, MessageKey::ReturnToPreviousNote, code);
    }
    return question;
}

}  // namespace quorix::ui
