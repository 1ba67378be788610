#include "ui/Identifiers.h"
#include "ui/LayoutRegistry.h"
#include "ui/Scale.h"

#include <gtest/gtest.h>

TEST(Scale, RoundsDesignUnitsHalfToEven) {
    Scale s;
    InitScale(s, 1.25f);
    EXPECT_EQ(Scaled(s, 5), 6);
    EXPECT_EQ(Scaled(s, 45), 56); // 56.25
    EXPECT_EQ(Scaled(s, 180), 225);
    EXPECT_EQ(Scaled(s, 20), 25);
    InitScale(s, 1.5f);
    EXPECT_EQ(Scaled(s, 95), 142);  // 142.5 goes to the even neighbour
    EXPECT_EQ(Scaled(s, 465), 698); // 697.5 likewise
    EXPECT_EQ(Scaled(s, 1), 2);     // 1.5
    EXPECT_EQ(Scaled(s, 3), 4);     // 4.5
}

TEST(Scale, ComesFromTheScreenDpiWhenNegative) {
    EXPECT_FLOAT_EQ(ScaleForDpi(96), 1.0f);
    EXPECT_FLOAT_EQ(ScaleForDpi(120), 1.25f);
    EXPECT_FLOAT_EQ(ScaleForDpi(144), 1.5f);
    Scale s;
    InitScale(s, -1.0f);
    EXPECT_GT(s.DialogScale, 0.0f);
}

TEST(LayoutRegistry, SecondOpeningOverwritesItsEntries) {
    LayoutRegistry r;
    ResizeSet(r, WndChldInfo, ResizeNone, 335, 200, 500, 400);
    ResizeAdd(r, "RU", WndChldInfo, WndChldInfoEditGdg, 10, 10, 480, 360);
    ResizeAdd(r, "LO", WndChldInfo, WndChldInfoBtnGdgOK, 205, 375, 80, 20);
    ASSERT_EQ(r.entries.size(), 3u);
    ResizeSet(r, WndChldInfo, ResizeNone, 1, 2, 600, 500);
    ResizeAdd(r, "RU", WndChldInfo, WndChldInfoEditGdg, 11, 12, 13, 14);
    ResizeAdd(r, "LO", WndChldInfo, WndChldInfoBtnGdgOK, 21, 22, 23, 24);
    ASSERT_EQ(r.entries.size(), 3u);
    EXPECT_EQ(r.entries[0].w, 600);
    const ResizeEntry& edit = r.entries[1];
    EXPECT_EQ(edit.x, ResizeNone);
    EXPECT_EQ(edit.y, ResizeNone);
    EXPECT_EQ(edit.w, 13);
    EXPECT_EQ(edit.h, 14);
    const ResizeEntry& button = r.entries[2];
    EXPECT_EQ(button.x, 21);
    EXPECT_EQ(button.y, 22);
    EXPECT_EQ(button.w, ResizeNone);
    EXPECT_EQ(button.h, ResizeNone);
}

TEST(LayoutRegistry, EmptyAnchorsAreNotRegistered) {
    LayoutRegistry r;
    ResizeSet(r, Window_FormFilter, ResizeNone, 240, 176, 400, 225);
    ResizeAdd(r, "", Window_FormFilter, Gadget_FormFilter_ButtonOK, 270, 200, 60, 20);
    EXPECT_EQ(r.entries.size(), 1u);
    EXPECT_TRUE(RelayoutWindow(r, Window_FormFilter, 500, 300).empty());
}

TEST(LayoutRegistry, RelayoutIsAlwaysAgainstTheDesignSize) {
    LayoutRegistry r;
    ResizeSet(r, Window_Form, ResizeNone, 180, 98, 800, 600);
    ResizeAdd(r, "RU", Window_Form, Gadget_Form_ListIconFiles, 0, 95, 800, 465);
    ResizeAdd(r, "LO", Window_Form, Gadget_Form_ButtonScan, 305, 45, 40, 20);
    auto once = RelayoutWindow(r, Window_Form, 837, 612);
    ASSERT_EQ(once.size(), 2u);
    EXPECT_EQ(once[0].x, ResizeNone);
    EXPECT_EQ(once[0].w, 837);
    EXPECT_EQ(once[0].h, 477);
    EXPECT_EQ(once[1].x, 342);
    EXPECT_EQ(once[1].y, 57);
    EXPECT_EQ(once[1].w, ResizeNone);
    // A detour through other sizes ends where a single change would.
    RelayoutWindow(r, Window_Form, 1500, 1000);
    auto back = RelayoutWindow(r, Window_Form, 800, 600);
    EXPECT_EQ(back[0].w, 800);
    EXPECT_EQ(back[0].h, 465);
    EXPECT_TRUE(RelayoutWindow(r, 99, 800, 600).empty());
}
