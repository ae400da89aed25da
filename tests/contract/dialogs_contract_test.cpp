// How the dialogs area behaves where no dialog of the product is needed: templates and
// pictures the module lacks, and the GDI objects the welcome dialog creates.
#include <gtest/gtest.h>

#include "contract_environment.h"

namespace quorix::contract {
namespace {

using platform::NativeHandle;

class CountingHandler : public platform::DialogHandler {
public:
    bool OnInitDialog(NativeHandle) override { return ++calls, true; }
    bool OnCommand(NativeHandle, int, int) override { return ++calls, false; }
    NativeHandle OnCtlColorStatic(NativeHandle, NativeHandle, NativeHandle) override {
        ++calls;
        return platform::kNullHandle;
    }
    bool OnDrawItem(NativeHandle, const platform::DrawItem&) override { return ++calls, false; }
    int calls = 0;
};

TEST(DialogsContract, ATemplateTheModuleLacksGivesMinusOneWithoutAMessage) {
    CountingHandler handler;
    EXPECT_EQ(Env().Os().dialogs.RunModalDialog(4711, handler), -1);
    EXPECT_EQ(handler.calls, 0);
}

TEST(DialogsContract, ABitmapTheModuleLacksIsNull) {
    EXPECT_EQ(Env().Os().dialogs.LoadModuleBitmap(4712), platform::kNullHandle);
}

TEST(DialogsContract, AnImageListTakesNoMissingBitmap) {
    platform::Dialogs& dialogs = Env().Os().dialogs;
    const NativeHandle list = dialogs.CreateImageList(16, 14, platform::kIlcColor24, 15, 0);
    ASSERT_NE(list, platform::kNullHandle);
    EXPECT_EQ(dialogs.AddToImageList(list, platform::kNullHandle, platform::kNullHandle), -1);
}

TEST(DialogsContract, FontsBrushesAndPensAreCreatedAndDeleted) {
    platform::Dialogs& dialogs = Env().Os().dialogs;
    const NativeHandle font = dialogs.CreateFontOfHeight(-16, L"Segoe UI");
    const NativeHandle brush = dialogs.CreateSolidBrushOf(platform::Rgb(255, 255, 192));
    const NativeHandle pen =
        dialogs.CreatePenOf(platform::kPsSolid, 1, platform::Rgb(248, 237, 69));
    ASSERT_NE(font, platform::kNullHandle);
    ASSERT_NE(brush, platform::kNullHandle);
    ASSERT_NE(pen, platform::kNullHandle);
    EXPECT_TRUE(dialogs.DeleteGdiObject(font));
    EXPECT_TRUE(dialogs.DeleteGdiObject(brush));
    EXPECT_TRUE(dialogs.DeleteGdiObject(pen));
}

TEST(DialogsContract, TheHollowBrushIsOneStockObject) {
    platform::Dialogs& dialogs = Env().Os().dialogs;
    const NativeHandle brush = dialogs.GetStockGdiObject(platform::kNullBrush);
    EXPECT_NE(brush, platform::kNullHandle);
    EXPECT_EQ(dialogs.GetStockGdiObject(platform::kNullBrush), brush);
}

}  // namespace
}  // namespace quorix::contract
