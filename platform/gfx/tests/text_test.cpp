// Fonts and text: the face map, heights, DrawText's placement flags measured by the box of the
// pixels actually drawn, word breaks, DT_CALCRECT, prefixes, tabs, ellipses, Korean glyphs,
// colours and the background mode.
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/device_root.h"
#include "platform/gfx/tests/canvas.h"
#include "platform/kernel/debug_output.h"

using namespace gfx_test;

namespace {

const COLORREF kPaper = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

// A canvas with a font selected and white text on a transparent background.
class TextCanvas : public Canvas {
public:
    TextCanvas(int width, int height, int font_height = -20, int weight = FW_NORMAL, DWORD quality = CLEARTYPE_QUALITY,
               const std::string& face = "Gulim")
        : Canvas(width, height, kPaper) {
        m_font = CreateFont(font_height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, 0, 0, quality, 0, face);
        m_old = SelectObject(dc(), m_font);
        SetTextColor(dc(), kWhite);
        SetBkMode(dc(), TRANSPARENT);
    }
    ~TextCanvas() {
        SelectObject(dc(), m_old);
        DeleteObject(m_font);
    }
    SIZE Extent(const std::string& text) const {
        SIZE size;
        EXPECT_TRUE(GetTextExtentPoint32(dc(), text, &size));
        return size;
    }
    RECT Draw(const std::string& text, RECT rect, UINT format) {
        Clear(kPaper);
        EXPECT_GT(DrawText(dc(), text, -1, &rect, format), 0) << text;
        return InkBox(kPaper);
    }

private:
    HFONT m_font = nullptr;
    HGDIOBJ m_old = nullptr;
};

std::vector<COLORREF> Pixels(const Canvas& canvas) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) pixels.push_back(canvas.At(x, y));
    return pixels;
}

}  // namespace

TEST(GfxFontMap, EveryFaceMapsToAnInstalledNanumFont) {
    TempRoot root;
    for (const char* face : {"Gulim", "Tahoma", "Arial", "No Such Face", ""}) {
        const std::string regular = platform::FontFileFor(face, FW_NORMAL);
        const std::string bold = platform::FontFileFor(face, FW_BOLD);
        EXPECT_EQ(regular, "/usr/share/fonts/truetype/nanum/NanumGothic.ttf") << face;
        EXPECT_EQ(bold, "/usr/share/fonts/truetype/nanum/NanumGothicBold.ttf") << face;
        EXPECT_TRUE(std::filesystem::is_regular_file(regular)) << regular << " (package fonts-nanum)";
        EXPECT_TRUE(std::filesystem::is_regular_file(bold)) << bold << " (package fonts-nanum)";
    }
}

TEST(GfxFontMap, DeviceConfOverridesTheBuiltInMap) {
    TempRoot root;
    std::ofstream(root.path() / "device.conf") << "font.Gulim = /fonts/gulim.ttf\n"
                                                  "font.Gulim.bold = /fonts/gulimbd.ttf\n"
                                                  "font.Tahoma = /fonts/tahoma.ttf\n"
                                                  "font.default = /fonts/any.ttf\n";
    platform::ReloadConfig();
    EXPECT_EQ(platform::FontFileFor("Gulim", FW_NORMAL), "/fonts/gulim.ttf");
    EXPECT_EQ(platform::FontFileFor("Gulim", FW_BOLD), "/fonts/gulimbd.ttf");
    // Without a bold file the regular one is used (and drawn emboldened).
    EXPECT_EQ(platform::FontFileFor("Tahoma", FW_BOLD), "/fonts/tahoma.ttf");
    EXPECT_EQ(platform::FontFileFor("Arial", FW_NORMAL), "/fonts/any.ttf");
}

TEST(GfxFontMap, AFaceMappedToAMissingFileFailsToDraw) {
    TempRoot root;
    std::ofstream(root.path() / "device.conf") << "font.Broken Face = " << (root.path() / "missing.ttf").string() << "\n";
    platform::ReloadConfig();
    TextCanvas canvas(50, 30, -12, FW_NORMAL, CLEARTYPE_QUALITY, "Broken Face");
    RECT rect{0, 0, 50, 30};
    SetLastError(kSentinel);
    EXPECT_EQ(DrawText(canvas.dc(), "text", -1, &rect, DT_SINGLELINE), 0);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(canvas.InkBox(kPaper).right, 0);
}

TEST(GfxDrawText, TraceTextPutsEachTextDrawnOnTheDebugLineAndMeasuringNone) {
    TempRoot root;
    std::ofstream(root.path() / "device.conf") << "trace_text = 1\n";
    platform::ReloadConfig();
    TextCanvas canvas(200, 40);
    RECT rect{3, 4, 150, 30};
    canvas.Draw("볼륨 80", rect, DT_SINGLELINE);
    RECT measured{0, 0, 0, 0};
    DrawText(canvas.dc(), "measured only", -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    std::ifstream in(platform::LogPathFor(platform::ProgramName()));
    const std::string log{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(log.find("DrawText 3,4,150,30 \"볼륨 80\""), std::string::npos) << log;
    EXPECT_EQ(log.find("measured only"), std::string::npos) << "a measurement draws nothing";

    // Without the key nothing is traced.
    std::ofstream(root.path() / "device.conf") << "trace_text = 0\n";
    platform::ReloadConfig();
    canvas.Draw("untraced", rect, DT_SINGLELINE);
    std::ifstream again(platform::LogPathFor(platform::ProgramName()));
    const std::string after{std::istreambuf_iterator<char>(again), std::istreambuf_iterator<char>()};
    EXPECT_EQ(after.find("untraced"), std::string::npos);
}

TEST(GfxFont, NegativeHeightIsTheCharacterHeightAndPositiveTheCell) {
    TextCanvas character(10, 10, -20), cell(10, 10, 20);
    TEXTMETRIC by_character, by_cell;
    ASSERT_TRUE(GetTextMetrics(character.dc(), &by_character));
    ASSERT_TRUE(GetTextMetrics(cell.dc(), &by_cell));
    EXPECT_GT(by_character.tmHeight, 20);  // the cell adds the internal leading
    EXPECT_EQ(by_character.tmHeight, by_character.tmAscent + by_character.tmDescent);
    EXPECT_LE(by_cell.tmHeight, 20);
    EXPECT_GE(by_cell.tmHeight, 19);
    EXPECT_LT(by_cell.tmHeight, by_character.tmHeight);
    EXPECT_EQ(character.Extent("Ag").cy, by_character.tmHeight);
}

TEST(GfxFont, BoldDrawsHeavierThanNormal) {
    TextCanvas normal(300, 40, -20, FW_NORMAL), bold(300, 40, -20, FW_BOLD);
    normal.Draw("Heavy text", {0, 0, 300, 40}, DT_SINGLELINE);
    bold.Draw("Heavy text", {0, 0, 300, 40}, DT_SINGLELINE);
    EXPECT_GT(bold.Count(kWhite), normal.Count(kWhite));
}

TEST(GfxDrawText, HorizontalAlignmentMovesTheTextByTheSpareWidth) {
    TextCanvas canvas(300, 40);
    const std::string text = "Align me";
    const RECT rect{20, 0, 280, 40};
    const int spare = (rect.right - rect.left) - canvas.Extent(text).cx;
    const RECT left = canvas.Draw(text, rect, DT_SINGLELINE | DT_LEFT);
    const RECT centre = canvas.Draw(text, rect, DT_SINGLELINE | DT_CENTER);
    const RECT right = canvas.Draw(text, rect, DT_SINGLELINE | DT_RIGHT);
    ASSERT_GT(left.right, left.left);
    EXPECT_NEAR(left.left, rect.left, 3);
    EXPECT_EQ(centre.left - left.left, spare / 2);
    EXPECT_EQ(right.left - left.left, spare);
    EXPECT_NEAR(right.right, rect.right, 3);
    EXPECT_EQ(right.right - right.left, left.right - left.left);
}

TEST(GfxDrawText, VerticalPlacementOfSingleLineTextMovesByTheSpareHeight) {
    TextCanvas canvas(200, 80);
    const std::string text = "Middle";
    const RECT rect{0, 10, 200, 70};
    const int spare = (rect.bottom - rect.top) - canvas.Extent(text).cy;
    const RECT top = canvas.Draw(text, rect, DT_SINGLELINE | DT_TOP);
    const RECT middle = canvas.Draw(text, rect, DT_SINGLELINE | DT_VCENTER);
    const RECT bottom = canvas.Draw(text, rect, DT_SINGLELINE | DT_BOTTOM);
    EXPECT_GE(top.top, rect.top);
    EXPECT_EQ(middle.top - top.top, spare / 2);
    EXPECT_EQ(bottom.top - top.top, spare);
    EXPECT_LE(bottom.bottom, rect.bottom);
    // Both flags together centre the text in the box: the device's buttons and statics.
    const RECT both = canvas.Draw(text, rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    EXPECT_NEAR((both.left + both.right) / 2, 100, 2);
    // Without DT_SINGLELINE vertical placement does not apply.
    const RECT multi = canvas.Draw(text, rect, DT_VCENTER | DT_WORDBREAK);
    EXPECT_EQ(multi.top, top.top);
}

TEST(GfxDrawText, ReturnsTheHeightOrTheOffsetOfTheTextsBottom) {
    TextCanvas canvas(200, 80);
    const int line = canvas.Extent("x").cy;
    RECT rect{0, 10, 200, 70};
    EXPECT_EQ(DrawText(canvas.dc(), "x", -1, &rect, DT_SINGLELINE), line);
    EXPECT_EQ(DrawText(canvas.dc(), "x", -1, &rect, DT_SINGLELINE | DT_BOTTOM), 60);
    EXPECT_EQ(DrawText(canvas.dc(), "x", -1, &rect, DT_SINGLELINE | DT_VCENTER), (60 - line) / 2 + line);
    EXPECT_EQ(DrawText(canvas.dc(), "a\nb\r\nc", -1, &rect, 0), 3 * line);
    EXPECT_EQ(DrawText(canvas.dc(), "a\nb\r\nc", 3, &rect, 0), 2 * line);  // only "a\nb"
}

TEST(GfxDrawText, WordBreakWrapsAtSpacesIntoMoreLinesWithinTheWidth) {
    TextCanvas canvas(300, 200);
    const std::string text = "one two three four five six seven";
    const int line = canvas.Extent(text).cy;
    RECT measure{10, 10, 110, 10};
    const int height = DrawText(canvas.dc(), text, -1, &measure, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(height, 3 * line);
    EXPECT_EQ(height % line, 0);
    EXPECT_EQ(measure.bottom, 10 + height);
    EXPECT_LE(measure.right, 110);
    EXPECT_EQ(canvas.InkBox(kPaper).right, 0) << "DT_CALCRECT draws nothing";

    const RECT wrapped = canvas.Draw(text, {10, 10, 110, 200}, DT_WORDBREAK | DT_NOCLIP);
    EXPECT_LE(wrapped.right, 112);
    EXPECT_GT(wrapped.bottom - wrapped.top, 2 * line);
    const RECT single = canvas.Draw(text, {10, 10, 110, 200}, DT_NOCLIP);
    EXPECT_LT(single.bottom - single.top, line);
    EXPECT_GT(single.right, 200);
}

TEST(GfxDrawText, AWordWiderThanTheRectangleKeepsALineOfItsOwn) {
    TextCanvas canvas(300, 200);
    const int line = canvas.Extent("x").cy;
    RECT rect{0, 0, 30, 0};
    EXPECT_EQ(DrawText(canvas.dc(), "a extraordinarily b", -1, &rect, DT_WORDBREAK | DT_CALCRECT), 3 * line);
    EXPECT_EQ(rect.right, canvas.Extent("extraordinarily").cx);
}

TEST(GfxDrawText, CalcRectMeasuresASingleLine) {
    TextCanvas canvas(10, 10);
    RECT rect{5, 7, 6, 8};
    const SIZE size = canvas.Extent("Measured");
    EXPECT_EQ(DrawText(canvas.dc(), "Measured", -1, &rect, DT_SINGLELINE | DT_CALCRECT), size.cy);
    EXPECT_EQ(rect.left, 5);
    EXPECT_EQ(rect.top, 7);
    EXPECT_EQ(rect.right, 5 + size.cx);
    EXPECT_EQ(rect.bottom, 7 + size.cy);
}

TEST(GfxDrawText, AmpersandsMarkAnUnderlinedCharacterUnlessNoPrefix) {
    TextCanvas canvas(200, 40);
    const auto width = [&](const std::string& text, UINT format) {
        RECT rect{0, 0, 200, 40};
        DrawText(canvas.dc(), text, -1, &rect, format | DT_SINGLELINE | DT_CALCRECT);
        return rect.right;
    };
    EXPECT_EQ(width("&File", 0), canvas.Extent("File").cx);
    EXPECT_EQ(width("&File", DT_NOPREFIX), canvas.Extent("&File").cx);
    EXPECT_EQ(width("A&&B", 0), canvas.Extent("A&B").cx);
    const RECT plain = canvas.Draw("ace", {0, 0, 200, 40}, DT_SINGLELINE);
    const RECT marked = canvas.Draw("&ace", {0, 0, 200, 40}, DT_SINGLELINE);
    const RECT literal = canvas.Draw("ace", {0, 0, 200, 40}, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_GT(marked.bottom, plain.bottom) << "the underline lies below the baseline";
    EXPECT_EQ(literal.bottom, plain.bottom);
}

TEST(GfxDrawText, TabsJumpToTabStopsOnlyWhenExpanded) {
    TextCanvas canvas(400, 40);
    TEXTMETRIC metrics;
    ASSERT_TRUE(GetTextMetrics(canvas.dc(), &metrics));
    RECT expanded{0, 0, 400, 40}, plain{0, 0, 400, 40};
    DrawText(canvas.dc(), "a\tb", -1, &expanded, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
    DrawText(canvas.dc(), "a\tb", -1, &plain, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(expanded.right, 8 * metrics.tmAveCharWidth + canvas.Extent("b").cx);
    EXPECT_EQ(plain.right, canvas.Extent("ab").cx);
}

TEST(GfxDrawText, EndEllipsisCutsTheLineToFitWithThreeDots) {
    TextCanvas canvas(300, 40);
    const std::string text = "A title far too long for its box";
    RECT rect{0, 0, 120, 40};
    DrawText(canvas.dc(), text, -1, &rect, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(rect.right, 120);
    EXPECT_GT(rect.right, 120 - canvas.Extent("...W").cx);
    const RECT drawn = canvas.Draw(text, {0, 0, 120, 40}, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(drawn.right, 120);
    // Korean is cut at character boundaries.
    const RECT korean = canvas.Draw("현재모드에서 지원하지 않는 기능입니다.", {0, 0, 90, 40},
                                    DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_GT(korean.right, 0);
    EXPECT_LE(korean.right, 90);
}

TEST(GfxDrawText, TextIsClippedToTheRectangleUnlessNoClip) {
    TextCanvas canvas(300, 40);
    const RECT clipped = canvas.Draw("Clipped words here", {10, 0, 40, 40}, DT_SINGLELINE);
    EXPECT_GE(clipped.left, 10);
    EXPECT_LE(clipped.right, 40);
    const RECT free = canvas.Draw("Clipped words here", {10, 0, 40, 40}, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(free.right, 40);
}

TEST(GfxDrawText, KoreanTextDrawsDistinctGlyphs) {
    TextCanvas canvas(400, 60);
    const RECT box = canvas.Draw("현재모드에서 지원하지 않는 기능입니다.", {0, 0, 400, 60}, DT_SINGLELINE | DT_VCENTER);
    EXPECT_GT(box.right - box.left, 200);
    EXPECT_GT(canvas.Count(kWhite), 100);
    // Missing glyphs would all draw the same box: two syllables must differ.
    canvas.Draw("가", {0, 0, 400, 60}, DT_SINGLELINE);
    const auto first = Pixels(canvas);
    canvas.Draw("나", {0, 0, 400, 60}, DT_SINGLELINE);
    EXPECT_NE(first, Pixels(canvas));
    EXPECT_NE(canvas.InkBox(kPaper).right, 0);
}

TEST(GfxDrawText, TextTakesTheTextColourBlendedOverTheBackground) {
    TextCanvas canvas(200, 40);
    SetTextColor(canvas.dc(), RGB(255, 0, 0));
    canvas.Draw("Colour", {0, 0, 200, 40}, DT_SINGLELINE);
    int solid = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            const COLORREF pixel = canvas.At(x, y);
            EXPECT_EQ(GetGValue(pixel), 0);
            EXPECT_EQ(GetBValue(pixel), 0);
            solid += pixel == RGB(255, 0, 0);
        }
    EXPECT_GT(solid, 20);
}

TEST(GfxDrawText, NonAntialiasedQualityDrawsOnlyTheTextColour) {
    TextCanvas canvas(200, 40, -20, FW_NORMAL, NONANTIALIASED_QUALITY);
    canvas.Draw("Sharp edges", {0, 0, 200, 40}, DT_SINGLELINE);
    EXPECT_GT(canvas.Count(kWhite), 50);
    EXPECT_EQ(canvas.Count(kWhite) + canvas.Count(kPaper), 200 * 40);
}

TEST(GfxDrawText, OpaqueModeFillsTheTextCellWithTheBackgroundColour) {
    TextCanvas canvas(200, 60);
    const RECT rect{10, 10, 190, 50};
    const SIZE size = canvas.Extent("Cell");
    canvas.Draw("Cell", rect, DT_SINGLELINE);
    EXPECT_EQ(canvas.At(10, 10), kPaper);  // transparent: the cell's corner is untouched
    SetBkMode(canvas.dc(), OPAQUE);
    SetBkColor(canvas.dc(), RGB(0, 0, 255));
    const RECT box = canvas.Draw("Cell", rect, DT_SINGLELINE);
    EXPECT_EQ(canvas.At(10, 10), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(10 + size.cx - 1, 10 + size.cy - 1), RGB(0, 0, 255));
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 10);
    EXPECT_EQ(box.right, 10 + size.cx);
    EXPECT_EQ(box.bottom, 10 + size.cy);
    EXPECT_GT(canvas.Count(kWhite), 0);
    SetBkMode(canvas.dc(), TRANSPARENT);
}

TEST(GfxTextOut, DrawsAtThePointWithoutLayout) {
    TextCanvas canvas(200, 60);
    ASSERT_TRUE(TextOut(canvas.dc(), 30, 20, "Point"));
    const RECT box = canvas.InkBox(kPaper);
    EXPECT_NEAR(box.left, 30, 3);
    EXPECT_GE(box.top, 20);
    EXPECT_LE(box.bottom, 20 + canvas.Extent("Point").cy);
    EXPECT_TRUE(TextOut(canvas.dc(), -5000, 5000, "nowhere"));
}

TEST(GfxDrawText, EmptyTextDrawsNothingAndMeasuresAnEmptyRectangle) {
    TextCanvas canvas(50, 30);
    SetBkMode(canvas.dc(), OPAQUE);
    RECT rect{5, 5, 40, 25};
    EXPECT_EQ(DrawText(canvas.dc(), "", -1, &rect, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawText(canvas.dc(), "abc", 0, &rect, DT_SINGLELINE), 0);
    EXPECT_EQ(canvas.InkBox(kPaper).right, 0);
    EXPECT_EQ(DrawText(canvas.dc(), "", -1, &rect, DT_CALCRECT), 0);
    EXPECT_EQ(rect.right, 5);
    EXPECT_EQ(rect.bottom, 5);
}

TEST(GfxDrawText, ADcWithoutAChosenFontDrawsBlackOnWhiteWithTheSystemFont) {
    Canvas canvas(120, 30, RGB(90, 90, 90));
    RECT rect{0, 0, 120, 30};
    const int cell = DrawText(canvas.dc(), "System", -1, &rect, DT_SINGLELINE);
    EXPECT_LE(cell, 16);  // the system font's cell height
    EXPECT_GE(cell, 15);
    EXPECT_GT(canvas.Count(RGB(255, 255, 255)), 0) << "opaque white background";
    EXPECT_GT(canvas.Count(RGB(0, 0, 0)), 0) << "black text";
}
