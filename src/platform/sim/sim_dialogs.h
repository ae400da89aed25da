// The simulated dialogs area: modal dialogs built from templates the test knows, whose
// controls keep the state Windows would keep (visibility, text, parent, font, check state,
// combo items and selection), driven by a script of user actions.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialogs.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

inline constexpr std::uint32_t kWsVisible = 0x10000000;

// One control of a dialog template, positions and sizes in dialog units.
struct SimControlTemplate {
    int id;
    std::wstring className;
    std::uint32_t style;
    int x, y, width, height;
    std::wstring text;
};

struct SimDialogTemplate {
    std::uint32_t style = 0;
    int width = 0, height = 0;
    std::wstring caption;
    std::vector<SimControlTemplate> controls;  // in tab order
};

struct SimComboItem {
    std::wstring text;
    int image = -1;
    int selectedImage = -1;
};

struct SimControl {
    SimControlTemplate source;
    platform::NativeHandle window = platform::kNullHandle;
    platform::NativeHandle parent = platform::kNullHandle;  // the dialog or another control
    bool visible = false;
    std::wstring text;
    platform::NativeHandle font = platform::kNullHandle;
    int fontHeight = 0;  // of the font it was given, 0 without one
    std::wstring fontFace;
    std::uint32_t check = 0;
    std::vector<SimComboItem> items;
    std::intptr_t selection = -1;
    platform::NativeHandle imageList = platform::kNullHandle;
};

// What a WM_CTLCOLORSTATIC of one paint answered for a control.
struct SimColouring {
    int controlId = 0;
    platform::NativeHandle brush = platform::kNullHandle;  // null: default colouring
    bool hollowBrush = false;                              // the stock NULL_BRUSH
    std::optional<platform::ColorRef> textColor;           // set on the control's DC
};

// What was drawn into a device context.
struct SimDrawing {
    enum class Kind { Rectangle, Text } kind = Kind::Rectangle;
    platform::Rect rect;
    std::optional<platform::ColorRef> brushColor;  // solid brush selected
    std::optional<platform::ColorRef> penColor;    // pen selected
    int penWidth = 0;
    std::wstring text;
    std::uint32_t format = 0;
    int backgroundMode = 2;  // OPAQUE unless set
};

struct SimDialogRecord {
    std::uint32_t templateId = 0;
    platform::NativeHandle window = platform::kNullHandle;
    std::wstring caption;
    std::vector<SimControl> controls;  // template order
    bool ended = false;
    std::intptr_t result = 0;
    int paints = 0;                     // how often the dialog's statics were painted
    std::intptr_t firstSelection = -1;  // the selector's item when the dialog first appeared
    bool erasedOnInvalidate = false;
    std::vector<SimColouring> colourings;  // of the last paint
    std::vector<SimDrawing> drawings;      // of every paint
    int focusId = -1;                      // control given the focus by the program, -1: none
    bool stuck = false;                    // the script ran out and a final Next did not end it

    const SimControl& Control(int id) const;
    // The id of the control's parent, 0 when it is the dialog itself.
    int ParentIdOf(int id) const;
    const SimColouring* ColouringOf(int id) const;
};

// A user's action in the dialog.
struct DialogAction {
    enum class Kind { Select, Tick, Next, Cancel } kind;
    int value = 0;
    // Picks the item at this position in the language selector (closing the list).
    static DialogAction Select(int position) { return {Kind::Select, position}; }
    // Clicks a check box.
    static DialogAction Tick(int id) { return {Kind::Tick, id}; }
    static DialogAction Next() { return {Kind::Next, 0}; }
    // Escape or the caption's close box.
    static DialogAction Cancel() { return {Kind::Cancel, 0}; }
};

class SimDialogs : public platform::Dialogs {
public:
    // `commonControls`: the classes InitCommonControlsEx registered so far (ComboBoxEx32 needs
    // ICC_USEREX_CLASSES before a template with one can be created).
    SimDialogs(Core& core, const std::uint32_t& commonControls);

    std::intptr_t RunModalDialog(std::uint32_t templateId,
                                 platform::DialogHandler& handler) override;
    bool EndModalDialog(platform::NativeHandle dialog, std::intptr_t result) override;
    platform::NativeHandle GetControl(platform::NativeHandle dialog, int id) override;
    int GetControlId(platform::NativeHandle window) override;
    bool ShowControl(platform::NativeHandle window, int showCommand) override;
    platform::NativeHandle ChangeParent(platform::NativeHandle window,
                                        platform::NativeHandle parent) override;
    bool SetText(platform::NativeHandle window, const std::wstring& text) override;
    int GetText(platform::NativeHandle window, std::size_t capacity, std::wstring* text) override;
    std::uint32_t GetButtonCheck(platform::NativeHandle dialog, int id) override;
    platform::NativeHandle SetKeyboardFocus(platform::NativeHandle window) override;
    bool InvalidateWhole(platform::NativeHandle window, bool erase) override;
    bool UpdateNow(platform::NativeHandle window) override;
    bool GetWindowBounds(platform::NativeHandle window, platform::Rect* rect) override;
    bool ScreenToClientPoint(platform::NativeHandle window, platform::Point* point) override;
    void SendSetFont(platform::NativeHandle window, platform::NativeHandle font,
                     bool redraw) override;
    std::intptr_t InsertComboExItem(platform::NativeHandle combo,
                                    const platform::ComboExItem& item) override;
    platform::NativeHandle SetComboExImageList(platform::NativeHandle combo,
                                               platform::NativeHandle imageList) override;
    std::intptr_t SetComboSelection(platform::NativeHandle combo, std::intptr_t index) override;
    std::intptr_t GetComboSelection(platform::NativeHandle combo) override;
    platform::NativeHandle CreateImageList(int width, int height, std::uint32_t flags, int initial,
                                           int grow) override;
    int AddToImageList(platform::NativeHandle imageList, platform::NativeHandle bitmap,
                       platform::NativeHandle mask) override;
    platform::NativeHandle LoadModuleBitmap(std::uint32_t id) override;
    platform::NativeHandle GetWindowDc(platform::NativeHandle window) override;
    int GetDeviceCapability(platform::NativeHandle dc, int index) override;
    bool ReleaseWindowDc(platform::NativeHandle window, platform::NativeHandle dc) override;
    platform::NativeHandle CreateFontOfHeight(int height, const std::wstring& face) override;
    platform::NativeHandle CreateSolidBrushOf(platform::ColorRef color) override;
    platform::NativeHandle CreatePenOf(int style, int width, platform::ColorRef color) override;
    platform::NativeHandle GetStockGdiObject(int index) override;
    platform::NativeHandle SelectIntoDc(platform::NativeHandle dc,
                                        platform::NativeHandle object) override;
    bool DeleteGdiObject(platform::NativeHandle object) override;
    platform::ColorRef SetDcTextColor(platform::NativeHandle dc, platform::ColorRef color) override;
    int SetDcBackgroundMode(platform::NativeHandle dc, int mode) override;
    bool DrawRectangle(platform::NativeHandle dc, const platform::Rect& rect) override;
    int DrawTextInto(platform::NativeHandle dc, const std::wstring& text,
                     const platform::Rect& rect, std::uint32_t format) override;

    // Dialog units to pixels for the template font at 96 dpi (6 x 13 pixel base units).
    static std::int32_t PixelsX(int dialogUnits) { return dialogUnits * 6 / 4; }
    static std::int32_t PixelsY(int dialogUnits) { return dialogUnits * 13 / 8; }

    // --- the test's side ---
    // The module's dialog templates and bitmap resources: none until the test registers them.
    std::map<std::uint32_t, SimDialogTemplate> templates;
    std::set<std::uint32_t> bitmaps;
    // User actions in order, over all dialogs shown. When they run out while a dialog is open,
    // the user presses Next.
    std::vector<DialogAction> script;
    int dpi = 96;                            // GetDeviceCaps(LOGPIXELSY) of the screen
    platform::Point clientOrigin{200, 120};  // the dialog's client area on the screen
    std::vector<SimDialogRecord> shown;      // every dialog, as it was when it ended

    // GDI objects that are not handle-ledger business: the program keeps them until the
    // process ends. Kind "font", "brush", "pen" or "imagelist".
    struct GdiObject {
        std::string kind;
        platform::ColorRef color = 0;
        int height = 0;  // font height, pen width
        std::wstring face;
        bool deleted = false;
        // image lists
        int width = 0, listHeight = 0, initial = 0, grow = 0;
        std::uint32_t flags = 0;
        std::vector<std::uint32_t> bitmapIds;
    };
    std::map<platform::NativeHandle, GdiObject> gdiObjects;
    std::size_t CountKept(const std::string& kind) const;
    const GdiObject* ImageListOf(const SimControl& control) const;

private:
    struct Dc {
        platform::NativeHandle window = platform::kNullHandle;
        platform::NativeHandle brush = platform::kNullHandle;
        platform::NativeHandle pen = platform::kNullHandle;
        std::optional<platform::ColorRef> textColor;
        int backgroundMode = 2;
        bool fromGetDc = false;
    };

    SimDialogRecord* Current();
    SimControl* ControlOf(platform::NativeHandle window);
    bool IsDialog(platform::NativeHandle window);
    bool IsKnownWindow(platform::NativeHandle window) {
        return IsDialog(window) || ControlOf(window) != nullptr;
    }
    platform::Point ClientOriginOf(platform::NativeHandle window);
    void Paint(platform::DialogHandler& handler);
    void Perform(const DialogAction& action, platform::DialogHandler& handler);
    platform::NativeHandle NewObjectHandle() { return nextObject_ += 4; }

    Core& core_;
    const std::uint32_t& commonControls_;
    std::size_t nextAction_ = 0;
    bool running_ = false;
    platform::DialogHandler* handler_ = nullptr;  // of the dialog being run
    bool invalid_ = false;
    std::map<platform::NativeHandle, Dc> dcs_;
    std::map<platform::NativeHandle, std::uint32_t> loadedBitmaps_;  // handle -> resource id
    platform::NativeHandle nextObject_ = 0x70000000;
};

}  // namespace quorix::sim
