// The bitmap font on a real context: glyph placement and advance read back from the frame, the
// sets, bold, scale, tint, cut-off text, the state every text operation puts back, and the list.
#include "gl/GLTestEnvironment.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace
{
// A sheet of solid cells: glyph g is drawn as R = g, G = 255 - g, B = 200.
const char* const CELL_SHEET = KYREL_TEST_DATA_DIR "/tga/glyph_cells.tga";

// Kept for the whole process: its lists go with the context at exit.
CFont& CellFont()
{
    static CFont* font = nullptr;
    if (!font)
    {
        font = new CFont();
        font->Load(CELL_SHEET);
    }
    return *font;
}

// The glyph whose cell colours the pixel at (x, y) from the top left; -1 where nothing is drawn.
int GlyphAt(int x, int y)
{
    std::vector<unsigned char> pixel = kyrel_test::ReadPixel(x, kyrel_test::WINDOW_HEIGHT - 1 - y);
    if (pixel[2] == 0)
    {
        return -1;
    }
    EXPECT_EQ(255, pixel[0] + pixel[1]) << "not one cell's colour at " << x << ", " << y;
    return pixel[0];
}

// The first and last columns, from 0 to 199, of row y that something was drawn on.
std::pair<int, int> InkedColumns(int y)
{
    int first = -1, last = -1;
    for (int x = 0; x < 200; ++x)
    {
        if (GlyphAt(x, y) >= 0)
        {
            first = first < 0 ? x : first;
            last = x;
        }
    }
    return {first, last};
}
}  // namespace

TEST(FontGL, GlyphCellsCoverSixteenPixelsAndAdvanceTwelve)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    kyrel_test::ResetFrame();
    CellFont().Print(3, 5, 0, "%c", '!');  // code 33: glyph 1
    EXPECT_EQ(std::make_pair(3, 18), InkedColumns(5));
    EXPECT_EQ(std::make_pair(3, 18), InkedColumns(20));
    EXPECT_EQ(std::make_pair(-1, -1), InkedColumns(4));
    EXPECT_EQ(std::make_pair(-1, -1), InkedColumns(21));
    EXPECT_EQ(1, GlyphAt(18, 20));

    kyrel_test::ResetFrame();
    CellFont().Print(3, 5, 0, "Current FPS: %d", 60);
    EXPECT_STREQ("Current FPS: 60", CellFont().GetText());
    EXPECT_EQ('C' - 32, GlyphAt(14, 10));
    EXPECT_EQ('u' - 32, GlyphAt(15, 10)) << "the second glyph starts 12 pixels right";
    EXPECT_EQ('0' - 32, GlyphAt(3 + 12 * 14 + 15, 10));

    kyrel_test::ResetFrame();
    CellFont().PrintEx(3, 5, 0, 1, 1, 1, 1, 2.0f, 2.0f, "%s", "AB");
    EXPECT_EQ(std::make_pair(3, 3 + 24 + 31), InkedColumns(5)) << "32 x 32 glyphs, 24 apart";
    EXPECT_EQ(std::make_pair(3, 3 + 24 + 31), InkedColumns(36));
    EXPECT_EQ(std::make_pair(-1, -1), InkedColumns(37));
    EXPECT_EQ('A' - 32, GlyphAt(26, 20));
    EXPECT_EQ('B' - 32, GlyphAt(27, 20));
}

TEST(FontGL, SetsPickTheirHalfOfTheSheetAndBoldDrawsTwice)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    struct Case
    {
        int set;
        const char* text;
        int glyph;
        int lastColumn;
    };
    const Case cases[] = {{0, " ", 0, 18},        {1, " ", 128, 18}, {0, "~", '~' - 32, 18},
                          {1, "A", 128 + 33, 18}, {2, "A", 33, 19},  {3, "A", 128 + 33, 19}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE("set " + std::to_string(c.set) + " \"" + c.text + "\"");
        kyrel_test::ResetFrame();
        CellFont().Print(3, 5, c.set, "%s", c.text);
        EXPECT_EQ(c.glyph, GlyphAt(3, 12));
        EXPECT_EQ(c.glyph, GlyphAt(c.lastColumn, 12));
        EXPECT_EQ(std::make_pair(3, c.lastColumn), InkedColumns(12));
    }
}

TEST(FontGL, TintNullFormatAndLongText)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    CFont& font = CellFont();
    kyrel_test::ResetFrame();
    font.PrintColored(3, 5, 0, 0.0f, 1.0f, 0.5f, "%s", "!");  // glyph 1: R = 1, G = 254, B = 200
    std::vector<unsigned char> pixel = kyrel_test::ReadPixel(10, kyrel_test::WINDOW_HEIGHT - 13);
    EXPECT_EQ(0, pixel[0]);
    EXPECT_EQ(254, pixel[1]);
    EXPECT_NEAR(100, pixel[2], 1);

    kyrel_test::ResetFrame();
    const std::string before = font.GetText();
    EXPECT_TRUE(font.Print(3, 5, 0, nullptr));
    EXPECT_TRUE(font.PrintEx(3, 5, 0, 1, 1, 1, 1, 1, 1, nullptr));
    EXPECT_EQ(before, font.GetText());
    EXPECT_EQ(std::make_pair(-1, -1), InkedColumns(12));

    // Longer than the buffer: cut, never written past it.
    font.Print(0, 700, 0, "%s%s", std::string(400, 'x').c_str(), "tail");
    EXPECT_EQ(std::string(CFont::TEXT_CAPACITY - 1, 'x'), font.GetText());
}

TEST(FontGL, TextOperationsPutBackEveryPieceOfStateTheyTouch)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    const GLenum caps[] = {GL_BLEND, GL_SCISSOR_TEST, GL_TEXTURE_2D, GL_LIGHTING, GL_DEPTH_TEST};
    const GLenum queries[] = {GL_BLEND_SRC,
                              GL_BLEND_DST,
                              GL_MATRIX_MODE,
                              GL_MODELVIEW_STACK_DEPTH,
                              GL_PROJECTION_STACK_DEPTH,
                              GL_LIST_BASE};
    for (int operation = 0; operation < 8; ++operation)
    {
        const bool on = operation % 2 == 0;
        SCOPED_TRACE("operation " + std::to_string(operation / 2) +
                     (on ? ", all on" : ", all off"));
        for (GLenum cap : caps)
        {
            on ? glEnable(cap) : glDisable(cap);
        }
        glBlendFunc(on ? GL_ONE : GL_DST_COLOR, on ? GL_ZERO : GL_SRC_ALPHA);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(7, 8, 9);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glScalef(0.5f, 0.25f, 1);
        glMatrixMode(on ? GL_PROJECTION : GL_MODELVIEW);
        glBindTexture(GL_TEXTURE_2D, CellFont().GetTextureName());

        GLint before[6], after[6];
        GLfloat matrices[2][32];
        for (int i = 0; i < 6; ++i)
        {
            glGetIntegerv(queries[i], &before[i]);
        }
        glGetFloatv(GL_MODELVIEW_MATRIX, matrices[0]);
        glGetFloatv(GL_PROJECTION_MATRIX, matrices[0] + 16);

        CFont& font = CellFont();
        switch (operation / 2)
        {
        case 0:
            font.Print(10, 10, 2, "state");
            break;
        case 1:
            font.PrintAt(10.5f, 10.0f, 3, "state");
            break;
        case 2:
            font.PrintColored(10, 10, 0, 1, 0, 0, "state");
            break;
        default:
            font.PrintEx(10, 10, 1, 1, 1, 1, 0.5f, 2, 2, "state");
            break;
        }

        for (GLenum cap : caps)
        {
            EXPECT_EQ(on, glIsEnabled(cap) == GL_TRUE) << "capability 0x" << std::hex << cap;
        }
        for (int i = 0; i < 6; ++i)
        {
            glGetIntegerv(queries[i], &after[i]);
            EXPECT_EQ(before[i], after[i]) << "query 0x" << std::hex << queries[i];
        }
        glGetFloatv(GL_MODELVIEW_MATRIX, matrices[1]);
        glGetFloatv(GL_PROJECTION_MATRIX, matrices[1] + 16);
        EXPECT_EQ(0, memcmp(matrices[0], matrices[1], sizeof matrices[0]));
        GLint texture = -1, unit = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
        EXPECT_EQ(0, texture) << "texture 0 is bound on unit 0 afterwards";
        EXPECT_EQ(GL_TEXTURE0, unit);
        EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
    }
    for (GLenum cap : caps)
    {
        glDisable(cap);
    }
    glMatrixMode(GL_MODELVIEW);
}

TEST(FontGL, ManagerNumbersFontsFromOneAndFallsBackToTheLast)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    ASSERT_EQ(1u, gFontManager->GetCount()) << "the engine's own font, from the video set-up";
    EXPECT_NE(0u, gFontManager->GetFont(1)->GetTextureName());

    CFontManager manager;
    EXPECT_EQ(nullptr, manager.GetFont(1));
    testing::internal::CaptureStdout();
    manager.LoadFont(CELL_SHEET);
    EXPECT_EQ(std::string("Loading Font: ") + CELL_SHEET + "\n",
              testing::internal::GetCapturedStdout());
    CFont* first = manager.GetFont(1);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, manager.GetFont(0));
    EXPECT_EQ(first, manager.GetFont(7));
    CFont* second = new CFont();
    manager.AddFont(second);
    EXPECT_EQ(first, manager.GetFont(1));
    EXPECT_EQ(second, manager.GetFont(2));
    EXPECT_EQ(second, manager.GetFont(3));
    EXPECT_EQ(second, manager.GetFont(0));
}

TEST(FontGLDeathTest, UnreadableSheetEndsTheProcessWithFailure)
{
    ASSERT_NE(nullptr, kyrel_test::Engine());
    // A fresh process for the child: a forked one would share this one's X connection.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CFont().Load("Data/Font/missing.tga"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(CFont().Load(KYREL_TEST_DATA_DIR "/tga/corrupt/sixteen_bit.tga"),
                testing::ExitedWithCode(1), "");
}
