#include "platform/sim/sim_dialogs.h"

#include <algorithm>

#include "common/result_codes.h"

namespace quorix::sim {

namespace {

constexpr std::uint32_t kErrorInvalidWindowHandle = 1400;
constexpr std::uint32_t kErrorResourceNameNotFound = 1814;
constexpr std::uint32_t kErrorCannotFindWndClass = 1407;
constexpr std::uint32_t kSsTypeMask = 0x1F;
constexpr std::uint32_t kSsOwnerDraw = 0x0D;
constexpr std::uint32_t kBsTypeMask = 0x0F;
constexpr std::uint32_t kBsAutoCheckBox = 0x03;
constexpr platform::NativeHandle kStockBase = 0x7F000000;
constexpr std::intptr_t kCbErr = -1;

}  // namespace

const SimControl& SimDialogRecord::Control(int id) const {
    for (const SimControl& control : controls) {
        if (control.source.id == id) return control;
    }
    static const SimControl none{};
    return none;
}

int SimDialogRecord::ParentIdOf(int id) const {
    const platform::NativeHandle parent = Control(id).parent;
    for (const SimControl& control : controls) {
        if (control.window == parent) return control.source.id;
    }
    return 0;
}

const SimColouring* SimDialogRecord::ColouringOf(int id) const {
    for (const SimColouring& colouring : colourings) {
        if (colouring.controlId == id) return &colouring;
    }
    return nullptr;
}

SimDialogs::SimDialogs(Core& core, const std::uint32_t& commonControls)
    : core_(core), commonControls_(commonControls) {}

std::size_t SimDialogs::CountKept(const std::string& kind) const {
    return static_cast<std::size_t>(std::count_if(
        gdiObjects.begin(), gdiObjects.end(),
        [&](const auto& entry) { return entry.second.kind == kind && !entry.second.deleted; }));
}

const SimDialogs::GdiObject* SimDialogs::ImageListOf(const SimControl& control) const {
    auto it = gdiObjects.find(control.imageList);
    return it == gdiObjects.end() ? nullptr : &it->second;
}

SimDialogRecord* SimDialogs::Current() {
    if (!running_ || shown.empty()) return nullptr;
    return &shown.back();
}

SimControl* SimDialogs::ControlOf(platform::NativeHandle window) {
    SimDialogRecord* dialog = Current();
    if (dialog == nullptr || window == platform::kNullHandle) return nullptr;
    for (SimControl& control : dialog->controls) {
        if (control.window == window) return &control;
    }
    return nullptr;
}

bool SimDialogs::IsDialog(platform::NativeHandle window) {
    SimDialogRecord* dialog = Current();
    return dialog != nullptr && window != platform::kNullHandle && dialog->window == window;
}

platform::Point SimDialogs::ClientOriginOf(platform::NativeHandle window) {
    if (IsDialog(window)) return clientOrigin;
    SimControl* control = ControlOf(window);
    if (control == nullptr) return platform::Point{};
    platform::Point origin = ClientOriginOf(control->parent);
    origin.x += PixelsX(control->source.x);
    origin.y += PixelsY(control->source.y);
    return origin;
}

// ---------------------------------------------------------------- the modal loop

namespace {

// The real dialog procedure catches at its edge, since nothing may unwind through user32's
// frames: whatever a handler throws is taken as "not handled". The simulation does the same and
// counts it; only the simulated end of the process passes, as ExitProcess never returns there.
class EdgeHandler : public platform::DialogHandler {
public:
    EdgeHandler(Core& core, platform::DialogHandler& inner) : core_(core), inner_(inner) {}
    bool OnInitDialog(platform::NativeHandle dialog) override {
        return Guard(false, [&] { return inner_.OnInitDialog(dialog); });
    }
    bool OnCommand(platform::NativeHandle dialog, int id, int notification) override {
        return Guard(false, [&] { return inner_.OnCommand(dialog, id, notification); });
    }
    platform::NativeHandle OnCtlColorStatic(platform::NativeHandle dialog,
                                            platform::NativeHandle dc,
                                            platform::NativeHandle control) override {
        return Guard(platform::kNullHandle,
                     [&] { return inner_.OnCtlColorStatic(dialog, dc, control); });
    }
    bool OnDrawItem(platform::NativeHandle dialog, const platform::DrawItem& item) override {
        return Guard(false, [&] { return inner_.OnDrawItem(dialog, item); });
    }

private:
    template <typename R, typename Fn>
    R Guard(R notHandled, Fn call) {
        try {
            return call();
        } catch (const ProcessExit&) {
            throw;
        } catch (...) {
            ++core_.handlerExceptions;
            return notHandled;
        }
    }
    Core& core_;
    platform::DialogHandler& inner_;
};

}  // namespace

std::intptr_t SimDialogs::RunModalDialog(std::uint32_t templateId, platform::DialogHandler& inner) {
    if (core_.Failing("DialogBoxParamW")) return -1;
    EdgeHandler handler(core_, inner);
    auto found = templates.find(templateId);
    if (found == templates.end()) {
        core_.lastError = kErrorResourceNameNotFound;
        return -1;
    }
    const SimDialogTemplate& source = found->second;
    for (const SimControlTemplate& control : source.controls) {
        if (control.className == L"ComboBoxEx32" &&
            (commonControls_ & platform::kIccUserExClasses) == 0) {
            core_.lastError = kErrorCannotFindWndClass;
            return -1;
        }
    }

    SimDialogRecord record;
    record.templateId = templateId;
    record.window = core_.ledger.Open("window", "dialog " + std::to_string(templateId));
    record.caption = source.caption;
    for (const SimControlTemplate& control : source.controls) {
        SimControl created;
        created.source = control;
        created.window = core_.ledger.Open("window", "control " + std::to_string(control.id));
        created.parent = record.window;
        created.visible = (control.style & kWsVisible) != 0;
        created.text = control.text;
        record.controls.push_back(created);
    }
    shown.push_back(record);
    running_ = true;
    handler_ = &handler;
    invalid_ = false;
    const platform::NativeHandle dialog = shown.back().window;

    handler.OnInitDialog(dialog);
    // The dialog becomes visible and paints once before the user can do anything.
    if (!shown.back().ended) Paint(handler);
    while (!shown.back().ended && nextAction_ < script.size()) {
        Perform(script[nextAction_++], handler);
    }
    if (!shown.back().ended) {
        Perform(DialogAction::Next(), handler);
        if (!shown.back().ended) {
            shown.back().stuck = true;
            shown.back().result = -1;
        }
    }

    running_ = false;
    handler_ = nullptr;
    for (const SimControl& control : shown.back().controls) core_.ledger.Close(control.window);
    core_.ledger.Close(dialog);
    return shown.back().result;
}

void SimDialogs::Perform(const DialogAction& action, platform::DialogHandler& handler) {
    SimDialogRecord& dialog = shown.back();
    switch (action.kind) {
        case DialogAction::Kind::Select: {
            SimControl* combo = nullptr;
            for (SimControl& control : dialog.controls) {
                if (control.source.className == L"ComboBoxEx32") combo = &control;
            }
            // A hidden selector or an item it does not have cannot be picked.
            if (combo == nullptr || !combo->visible || action.value < 0 ||
                static_cast<std::size_t>(action.value) >= combo->items.size()) {
                return;
            }
            combo->selection = action.value;
            const int id = combo->source.id;
            // The list closes before the change is announced, as the combo box does.
            handler.OnCommand(dialog.window, id, platform::kCbnCloseUp);
            if (!dialog.ended) {
                handler.OnCommand(dialog.window, id, platform::kCbnSelChange);
            }
            return;
        }
        case DialogAction::Kind::Tick:
            for (SimControl& control : dialog.controls) {
                if (control.source.id != action.value || !control.visible) continue;
                if ((control.source.style & kBsTypeMask) == kBsAutoCheckBox) {
                    control.check =
                        control.check == platform::kBstChecked ? 0 : platform::kBstChecked;
                }
                handler.OnCommand(dialog.window, action.value, 0);  // BN_CLICKED
            }
            return;
        case DialogAction::Kind::Next:
            handler.OnCommand(dialog.window, 1, 0);
            return;
        case DialogAction::Kind::Cancel:
            handler.OnCommand(dialog.window, 2, 0);
            return;
    }
}

void SimDialogs::Paint(platform::DialogHandler& handler) {
    SimDialogRecord& dialog = shown.back();
    if (dialog.paints++ == 0) {
        for (const SimControl& control : dialog.controls) {
            if (control.source.className == L"ComboBoxEx32")
                dialog.firstSelection = control.selection;
        }
    }
    dialog.colourings.clear();
    // Statics ask their parent for colours as they paint; only the dialog's own children ask
    // the dialog. Owner-drawn ones then hand the drawing to it.
    for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
        const SimControl control = dialog.controls[i];
        if (!control.visible || control.parent != dialog.window ||
            control.source.className != L"Static") {
            continue;
        }
        const platform::NativeHandle dc = NewObjectHandle();
        Dc state;
        state.window = control.window;
        dcs_[dc] = state;
        SimColouring colouring;
        colouring.controlId = control.source.id;
        colouring.brush = handler.OnCtlColorStatic(dialog.window, dc, control.window);
        colouring.hollowBrush = colouring.brush == kStockBase + platform::kNullBrush;
        colouring.textColor = dcs_[dc].textColor;
        shown.back().colourings.push_back(colouring);
        if ((control.source.style & kSsTypeMask) == kSsOwnerDraw) {
            platform::DrawItem item;
            item.controlId = control.source.id;
            item.window = control.window;
            item.dc = dc;
            item.rect =
                platform::Rect{0, 0, PixelsX(control.source.width), PixelsY(control.source.height)};
            handler.OnDrawItem(dialog.window, item);
        }
        dcs_.erase(dc);
    }
}

bool SimDialogs::EndModalDialog(platform::NativeHandle dialog, std::intptr_t result) {
    if (core_.Failing("EndDialog")) return false;
    if (!IsDialog(dialog)) {
        core_.lastError = kErrorInvalidWindowHandle;
        return false;
    }
    shown.back().ended = true;
    shown.back().result = result;
    return true;
}

// ---------------------------------------------------------------- windows

platform::NativeHandle SimDialogs::GetControl(platform::NativeHandle dialog, int id) {
    if (core_.Failing("GetDlgItem")) return platform::kNullHandle;
    if (IsKnownWindow(dialog)) {
        // Only direct children: a control moved into another window is no longer found.
        for (const SimControl& control : Current()->controls) {
            if (control.source.id == id && control.parent == dialog) return control.window;
        }
    }
    core_.lastError = kErrorInvalidWindowHandle;
    return platform::kNullHandle;
}

int SimDialogs::GetControlId(platform::NativeHandle window) {
    if (core_.Failing("GetDlgCtrlID")) return 0;
    SimControl* control = ControlOf(window);
    if (control == nullptr) {
        core_.lastError = kErrorInvalidWindowHandle;
        return 0;
    }
    return control->source.id;
}

bool SimDialogs::ShowControl(platform::NativeHandle window, int showCommand) {
    if (core_.Failing("ShowWindow")) return false;
    SimControl* control = ControlOf(window);
    if (control == nullptr) return false;
    const bool was = control->visible;
    control->visible = showCommand != platform::kSwHide;
    return was;
}

platform::NativeHandle SimDialogs::ChangeParent(platform::NativeHandle window,
                                                platform::NativeHandle parent) {
    if (core_.Failing("SetParent")) return platform::kNullHandle;
    SimControl* control = ControlOf(window);
    if (control == nullptr || !IsKnownWindow(parent) || parent == window) {
        core_.lastError = kErrorInvalidWindowHandle;
        return platform::kNullHandle;
    }
    return std::exchange(control->parent, parent);
}

bool SimDialogs::SetText(platform::NativeHandle window, const std::wstring& text) {
    if (core_.Failing("SetWindowTextW")) return false;
    if (IsDialog(window)) {
        Current()->caption = text;
        return true;
    }
    SimControl* control = ControlOf(window);
    if (control == nullptr) {
        core_.lastError = kErrorInvalidWindowHandle;
        return false;
    }
    control->text = text;
    return true;
}

int SimDialogs::GetText(platform::NativeHandle window, std::size_t capacity, std::wstring* text) {
    text->clear();
    if (core_.Failing("GetWindowTextW")) return 0;
    const std::wstring* source = nullptr;
    if (IsDialog(window)) {
        source = &Current()->caption;
    } else if (SimControl* control = ControlOf(window)) {
        source = &control->text;
    }
    if (source == nullptr) {
        core_.lastError = kErrorInvalidWindowHandle;
        return 0;
    }
    if (capacity == 0) return 0;
    *text = source->substr(0, capacity - 1);
    return static_cast<int>(text->size());
}

std::uint32_t SimDialogs::GetButtonCheck(platform::NativeHandle dialog, int id) {
    if (core_.Failing("IsDlgButtonChecked")) return 0;
    if (!IsDialog(dialog)) return 0;
    for (const SimControl& control : Current()->controls) {
        if (control.source.id == id && control.parent == dialog) return control.check;
    }
    return 0;
}

platform::NativeHandle SimDialogs::SetKeyboardFocus(platform::NativeHandle window) {
    if (core_.Failing("SetFocus")) return platform::kNullHandle;
    SimControl* control = ControlOf(window);
    if (control == nullptr) {
        core_.lastError = kErrorInvalidWindowHandle;
        return platform::kNullHandle;
    }
    Current()->focusId = control->source.id;
    return Current()->window;
}

bool SimDialogs::InvalidateWhole(platform::NativeHandle window, bool erase) {
    if (core_.Failing("InvalidateRect")) return false;
    if (!IsDialog(window)) return false;
    invalid_ = true;
    Current()->erasedOnInvalidate = erase;
    return true;
}

bool SimDialogs::UpdateNow(platform::NativeHandle window) {
    if (core_.Failing("UpdateWindow")) return false;
    if (!IsKnownWindow(window)) return false;
    // UpdateWindow paints synchronously: the statics ask the dialog's procedure again.
    if (invalid_ && handler_ != nullptr) {
        invalid_ = false;
        Paint(*handler_);
    }
    return true;
}

bool SimDialogs::GetWindowBounds(platform::NativeHandle window, platform::Rect* rect) {
    if (core_.Failing("GetWindowRect")) return false;
    SimControl* control = ControlOf(window);
    if (control == nullptr) {
        core_.lastError = kErrorInvalidWindowHandle;
        return false;
    }
    const platform::Point origin = ClientOriginOf(window);
    *rect = platform::Rect{origin.x, origin.y, origin.x + PixelsX(control->source.width),
                           origin.y + PixelsY(control->source.height)};
    return true;
}

bool SimDialogs::ScreenToClientPoint(platform::NativeHandle window, platform::Point* point) {
    if (core_.Failing("ScreenToClient")) return false;
    if (!IsKnownWindow(window)) {
        core_.lastError = kErrorInvalidWindowHandle;
        return false;
    }
    const platform::Point origin = ClientOriginOf(window);
    point->x -= origin.x;
    point->y -= origin.y;
    return true;
}

// ---------------------------------------------------------------- control messages

void SimDialogs::SendSetFont(platform::NativeHandle window, platform::NativeHandle font,
                             bool /*redraw*/) {
    core_.faults.Check("SendMessageW");
    SimControl* control = ControlOf(window);
    if (control == nullptr) return;
    control->font = font;
    auto it = gdiObjects.find(font);
    const bool isFont = it != gdiObjects.end() && it->second.kind == "font";
    control->fontHeight = isFont ? it->second.height : 0;
    control->fontFace = isFont ? it->second.face : std::wstring();
}

std::intptr_t SimDialogs::InsertComboExItem(platform::NativeHandle combo,
                                            const platform::ComboExItem& item) {
    if (core_.Failing("SendMessageW")) return kCbErr;
    SimControl* control = ControlOf(combo);
    if (control == nullptr || control->source.className != L"ComboBoxEx32") return kCbErr;
    SimComboItem inserted;
    if (item.mask & platform::kCbeifText) inserted.text = item.text;
    if (item.mask & platform::kCbeifImage) inserted.image = item.image;
    if (item.mask & platform::kCbeifSelectedImage) inserted.selectedImage = item.selectedImage;
    std::size_t at = control->items.size();
    if (item.item >= 0 && static_cast<std::size_t>(item.item) < at) {
        at = static_cast<std::size_t>(item.item);
    }
    control->items.insert(control->items.begin() + static_cast<std::ptrdiff_t>(at), inserted);
    return static_cast<std::intptr_t>(at);
}

platform::NativeHandle SimDialogs::SetComboExImageList(platform::NativeHandle combo,
                                                       platform::NativeHandle imageList) {
    if (core_.Failing("SendMessageW")) return platform::kNullHandle;
    SimControl* control = ControlOf(combo);
    if (control == nullptr) return platform::kNullHandle;
    return std::exchange(control->imageList, imageList);
}

std::intptr_t SimDialogs::SetComboSelection(platform::NativeHandle combo, std::intptr_t index) {
    if (core_.Failing("SendMessageW")) return kCbErr;
    SimControl* control = ControlOf(combo);
    if (control == nullptr) return kCbErr;
    if (index < 0 || static_cast<std::size_t>(index) >= control->items.size()) {
        control->selection = -1;
        return kCbErr;
    }
    control->selection = index;
    return index;
}

std::intptr_t SimDialogs::GetComboSelection(platform::NativeHandle combo) {
    if (core_.Failing("SendMessageW")) return kCbErr;
    SimControl* control = ControlOf(combo);
    if (control == nullptr) return kCbErr;
    return control->selection;
}

// ---------------------------------------------------------------- pictures and GDI

platform::NativeHandle SimDialogs::CreateImageList(int width, int height, std::uint32_t flags,
                                                   int initial, int grow) {
    if (core_.Failing("ImageList_Create")) return platform::kNullHandle;
    const platform::NativeHandle handle = NewObjectHandle();
    GdiObject list;
    list.kind = "imagelist";
    list.width = width;
    list.listHeight = height;
    list.flags = flags;
    list.initial = initial;
    list.grow = grow;
    gdiObjects[handle] = list;
    return handle;
}

int SimDialogs::AddToImageList(platform::NativeHandle imageList, platform::NativeHandle bitmap,
                               platform::NativeHandle /*mask*/) {
    if (core_.Failing("ImageList_Add")) return -1;
    auto list = gdiObjects.find(imageList);
    auto picture = loadedBitmaps_.find(bitmap);
    if (list == gdiObjects.end() || list->second.kind != "imagelist" ||
        picture == loadedBitmaps_.end() || !core_.ledger.IsOpen(bitmap)) {
        return -1;
    }
    list->second.bitmapIds.push_back(picture->second);
    return static_cast<int>(list->second.bitmapIds.size() - 1);
}

platform::NativeHandle SimDialogs::LoadModuleBitmap(std::uint32_t id) {
    if (core_.Failing("LoadBitmapW")) return platform::kNullHandle;
    if (bitmaps.count(id) == 0) {
        core_.lastError = kErrorResourceNameNotFound;
        return platform::kNullHandle;
    }
    const platform::NativeHandle handle =
        core_.ledger.Open("bitmap", "bitmap " + std::to_string(id));
    loadedBitmaps_[handle] = id;
    return handle;
}

platform::NativeHandle SimDialogs::GetWindowDc(platform::NativeHandle window) {
    if (core_.Failing("GetDC")) return platform::kNullHandle;
    if (!IsKnownWindow(window)) return platform::kNullHandle;
    const platform::NativeHandle dc = core_.ledger.Open("dc", "window dc");
    Dc state;
    state.window = window;
    state.fromGetDc = true;
    dcs_[dc] = state;
    return dc;
}

int SimDialogs::GetDeviceCapability(platform::NativeHandle dc, int index) {
    if (core_.Failing("GetDeviceCaps")) return 0;
    if (dcs_.count(dc) == 0) return 0;
    return index == platform::kLogPixelsY ? dpi : 0;
}

bool SimDialogs::ReleaseWindowDc(platform::NativeHandle window, platform::NativeHandle dc) {
    if (core_.Failing("ReleaseDC")) return false;
    auto it = dcs_.find(dc);
    if (it == dcs_.end() || !it->second.fromGetDc || it->second.window != window) return false;
    dcs_.erase(it);
    return core_.ledger.Close(dc);
}

platform::NativeHandle SimDialogs::CreateFontOfHeight(int height, const std::wstring& face) {
    if (core_.Failing("CreateFontW")) return platform::kNullHandle;
    const platform::NativeHandle handle = NewObjectHandle();
    GdiObject font;
    font.kind = "font";
    font.height = height;
    font.face = face;
    gdiObjects[handle] = font;
    return handle;
}

platform::NativeHandle SimDialogs::CreateSolidBrushOf(platform::ColorRef color) {
    if (core_.Failing("CreateSolidBrush")) return platform::kNullHandle;
    const platform::NativeHandle handle = NewObjectHandle();
    GdiObject brush;
    brush.kind = "brush";
    brush.color = color;
    gdiObjects[handle] = brush;
    return handle;
}

platform::NativeHandle SimDialogs::CreatePenOf(int style, int width, platform::ColorRef color) {
    if (core_.Failing("CreatePen")) return platform::kNullHandle;
    if (style != platform::kPsSolid) {
        core_.lastError = kErrorInvalidParameter;
        return platform::kNullHandle;
    }
    const platform::NativeHandle handle = NewObjectHandle();
    GdiObject pen;
    pen.kind = "pen";
    pen.color = color;
    pen.height = width;
    gdiObjects[handle] = pen;
    return handle;
}

platform::NativeHandle SimDialogs::GetStockGdiObject(int index) {
    if (core_.Failing("GetStockObject")) return platform::kNullHandle;
    if (index < 0 || index > 19) return platform::kNullHandle;
    return kStockBase + static_cast<platform::NativeHandle>(index);
}

platform::NativeHandle SimDialogs::SelectIntoDc(platform::NativeHandle dc,
                                                platform::NativeHandle object) {
    if (core_.Failing("SelectObject")) return platform::kNullHandle;
    auto state = dcs_.find(dc);
    auto found = gdiObjects.find(object);
    if (state == dcs_.end() || found == gdiObjects.end() || found->second.deleted) {
        return platform::kNullHandle;
    }
    if (found->second.kind == "brush") return std::exchange(state->second.brush, object);
    if (found->second.kind == "pen") return std::exchange(state->second.pen, object);
    return platform::kNullHandle;
}

bool SimDialogs::DeleteGdiObject(platform::NativeHandle object) {
    if (core_.Failing("DeleteObject")) return false;
    if (loadedBitmaps_.count(object) != 0) {
        loadedBitmaps_.erase(object);
        return core_.ledger.Close(object);
    }
    auto found = gdiObjects.find(object);
    if (found == gdiObjects.end() || found->second.deleted) return false;
    found->second.deleted = true;
    return true;
}

platform::ColorRef SimDialogs::SetDcTextColor(platform::NativeHandle dc, platform::ColorRef color) {
    if (core_.Failing("SetTextColor")) return 0xFFFFFFFF;
    auto state = dcs_.find(dc);
    if (state == dcs_.end()) return 0xFFFFFFFF;
    const platform::ColorRef previous = state->second.textColor.value_or(0);
    state->second.textColor = color;
    return previous;
}

int SimDialogs::SetDcBackgroundMode(platform::NativeHandle dc, int mode) {
    if (core_.Failing("SetBkMode")) return 0;
    auto state = dcs_.find(dc);
    if (state == dcs_.end()) return 0;
    return std::exchange(state->second.backgroundMode, mode);
}

bool SimDialogs::DrawRectangle(platform::NativeHandle dc, const platform::Rect& rect) {
    if (core_.Failing("Rectangle")) return false;
    auto state = dcs_.find(dc);
    if (state == dcs_.end() || Current() == nullptr) return false;
    SimDrawing drawing;
    drawing.kind = SimDrawing::Kind::Rectangle;
    drawing.rect = rect;
    if (auto brush = gdiObjects.find(state->second.brush); brush != gdiObjects.end()) {
        drawing.brushColor = brush->second.color;
    }
    if (auto pen = gdiObjects.find(state->second.pen); pen != gdiObjects.end()) {
        drawing.penColor = pen->second.color;
        drawing.penWidth = pen->second.height;
    }
    drawing.backgroundMode = state->second.backgroundMode;
    Current()->drawings.push_back(drawing);
    return true;
}

int SimDialogs::DrawTextInto(platform::NativeHandle dc, const std::wstring& text,
                             const platform::Rect& rect, std::uint32_t format) {
    if (core_.Failing("DrawTextW")) return 0;
    auto state = dcs_.find(dc);
    if (state == dcs_.end() || Current() == nullptr) return 0;
    SimDrawing drawing;
    drawing.kind = SimDrawing::Kind::Text;
    drawing.rect = rect;
    drawing.text = text;
    drawing.format = format;
    drawing.backgroundMode = state->second.backgroundMode;
    Current()->drawings.push_back(drawing);
    return rect.bottom - rect.top;
}

}  // namespace quorix::sim
