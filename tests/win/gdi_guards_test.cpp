// The graphics scope guards: a selection goes back into the DC it was made
// in, and an owned object is deleted after it was selected back.
#include <gtest/gtest.h>
#include "test_support.h"
#include "win/gdi_guards.h"

TEST(GdiGuards, SelectionsGoBackIntoTheirOwnDcBeforeTheObjectsAreDeleted) {
    PixelCanvas canvas(4, 4);
    MemoryDc own(canvas.dc());
    ASSERT_NE(own.get(), nullptr);
    const HGDIOBJ ownFont = GetCurrentObject(own.get(), OBJ_FONT);
    const HGDIOBJ ownBrush = GetCurrentObject(own.get(), OBJ_BRUSH);
    const HGDIOBJ ownBitmap = GetCurrentObject(own.get(), OBJ_BITMAP);
    HGDIOBJ created[3] = {};
    {
        const LOGFONTA face = MakeFont(-12, "Arial");
        GdiObject<HFONT> newFont(CreateFontIndirectA(&face));
        GdiObject<HBRUSH> newBrush(CreateSolidBrush(RGB(1, 2, 3)));
        GdiObject<HBITMAP> newBitmap(CreateCompatibleBitmap(canvas.dc(), 4, 4));
        created[0] = newFont.get();
        created[1] = newBrush.get();
        created[2] = newBitmap.get();
        SelectedObject a(own.get(), newFont.get());
        SelectedObject b(own.get(), newBrush.get());
        SelectedObject c(own.get(), newBitmap.get());
        EXPECT_EQ(GetCurrentObject(own.get(), OBJ_FONT), newFont.get());
        EXPECT_EQ(GetCurrentObject(own.get(), OBJ_BRUSH), newBrush.get());
        EXPECT_EQ(GetCurrentObject(own.get(), OBJ_BITMAP), newBitmap.get());
    }
    EXPECT_EQ(GetCurrentObject(own.get(), OBJ_FONT), ownFont);
    EXPECT_EQ(GetCurrentObject(own.get(), OBJ_BRUSH), ownBrush);
    EXPECT_EQ(GetCurrentObject(own.get(), OBJ_BITMAP), ownBitmap);
    for (HGDIOBJ object : created) EXPECT_EQ(GetObjectType(object), 0u) << "deleted after being selected back";
}
