#include "window_record.h"

#include <cstdio>
#include <cwctype>

namespace quorix::uidriver {
namespace {

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendEscaped(std::string& out, std::uint32_t cp) {
    char buffer[8];
    switch (cp) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (cp < 0x20 || cp == 0x7F) {
        std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(cp));
        out += buffer;
        return;
    }
    AppendUtf8(out, cp);
}

}  // namespace

std::wstring ButtonTextWithoutMnemonic(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&') {
                out += L'&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

bool ConditionMatches(const MatchCondition& condition, const WindowRecord& window) {
    const std::wstring* subject = nullptr;
    switch (condition.field) {
        case MatchField::Any:
            return true;
        case MatchField::Caption:
            subject = &window.caption;
            break;
        case MatchField::Text:
            subject = &window.text;
            break;
        case MatchField::Class:
            subject = &window.className;
            break;
        case MatchField::Kind:
            subject = &window.kind;
            break;
        case MatchField::Icon:
            subject = &window.icon;
            break;
    }
    if (condition.substring) return subject->find(condition.value) != std::wstring::npos;
    return *subject == condition.value;
}

bool RuleMatches(const Rule& rule, const WindowRecord& window) {
    for (const MatchCondition& condition : rule.conditions) {
        if (!ConditionMatches(condition, window)) return false;
    }
    return true;
}

std::vector<const ControlRecord*> VisibleButtons(const WindowRecord& window) {
    std::vector<const ControlRecord*> buttons;
    for (const ControlRecord& control : window.controls) {
        if (control.isButton && control.visible) buttons.push_back(&control);
    }
    return buttons;
}

const ControlRecord* FindButton(const WindowRecord& window, const ButtonSpec& button,
                                int defaultId) {
    const std::vector<const ControlRecord*> buttons = VisibleButtons(window);
    if (button.useDefault) {
        for (const ControlRecord* b : buttons) {
            if (defaultId != 0 && b->id == defaultId) return b;
        }
        for (const ControlRecord* b : buttons) {
            if (b->isDefault) return b;
        }
        return buttons.size() == 1 ? buttons.front() : nullptr;
    }
    for (const ControlRecord* b : buttons) {
        if (button.id != 0 ? b->id == button.id
                           : EqualsIgnoringCase(ButtonTextWithoutMnemonic(b->text),
                                                ButtonTextWithoutMnemonic(button.text))) {
            return b;
        }
    }
    return nullptr;
}

std::string JsonString(const std::wstring& value) {
    std::string out = "\"";
    for (size_t i = 0; i < value.size(); ++i) {
        std::uint32_t cp = static_cast<std::uint16_t>(value[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < value.size()) {
            std::uint32_t low = static_cast<std::uint16_t>(value[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone surrogate is not UTF-8
        AppendEscaped(out, cp);
    }
    out += '"';
    return out;
}

std::string JsonString(const char* value) {
    std::string out = "\"";
    for (const char* p = value; *p != 0; ++p) AppendEscaped(out, static_cast<unsigned char>(*p));
    out += '"';
    return out;
}

void JsonLine::Name(const char* name) {
    if (!body_.empty()) body_ += ',';
    body_ += JsonString(name);
    body_ += ':';
}

JsonLine& JsonLine::Field(const char* name, const std::wstring& value) {
    Name(name);
    body_ += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Field(const char* name, const char* value) {
    Name(name);
    body_ += JsonString(value);
    return *this;
}

JsonLine& JsonLine::Field(const char* name, long long value) {
    Name(name);
    body_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Bool(const char* name, bool value) {
    Name(name);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::Raw(const char* name, const std::string& json) {
    Name(name);
    body_ += json;
    return *this;
}

std::string JsonLine::Finish() const { return "{" + body_ + "}\n"; }

std::string HandleText(std::uint32_t handle) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<unsigned>(handle));
    return buffer;
}

std::string WindowToJson(const WindowRecord& window, const char* event, long long sequence,
                         long long milliseconds) {
    std::string buttons = "[";
    for (const ControlRecord* b : VisibleButtons(window)) {
        if (buttons.size() > 1) buttons += ',';
        JsonLine button;
        button.Field("id", b->id).Field("text", b->text).Bool("default", b->isDefault);
        std::string line = button.Finish();
        buttons += line.substr(0, line.size() - 1);
    }
    buttons += ']';

    std::string controls = "[";
    for (const ControlRecord& c : window.controls) {
        if (controls.size() > 1) controls += ',';
        JsonLine control;
        control.Field("class", c.className)
            .Field("id", c.id)
            .Field("text", c.text)
            .Bool("visible", c.visible)
            .Bool("enabled", c.enabled);
        if (c.parentId >= 0) control.Field("parent", c.parentId);
        if (c.checked >= 0) control.Field("checked", c.checked);
        if (c.selected >= -1 && !c.items.empty()) {
            std::string items = "[";
            for (const std::wstring& item : c.items) {
                if (items.size() > 1) items += ',';
                items += JsonString(item);
            }
            items += ']';
            control.Raw("items", items).Field("selected", c.selected);
        }
        if (!c.itemImages.empty()) {
            std::string images = "[";
            for (int image : c.itemImages) {
                if (images.size() > 1) images += ',';
                images += std::to_string(image);
            }
            images += ']';
            control.Raw("images", images);
        }
        std::string line = control.Finish();
        controls += line.substr(0, line.size() - 1);
    }
    controls += ']';

    JsonLine line;
    line.Field("event", event)
        .Field("seq", sequence)
        .Field("t_ms", milliseconds)
        .Field("hwnd", HandleText(window.handle).c_str())
        .Field("pid", static_cast<long long>(window.processId))
        .Field("class", window.className)
        .Field("kind", window.kind)
        .Field("caption", window.caption)
        .Field("text", window.text)
        .Field("icon", window.icon)
        .Raw("buttons", buttons)
        .Raw("controls", controls);
    if (!window.ownerClass.empty()) line.Field("owner", window.ownerClass);
    if (!window.screenshot.empty()) line.Field("screenshot", window.screenshot);
    if (window.vanished) line.Bool("vanished", true);
    return line.Finish();
}

}  // namespace quorix::uidriver
