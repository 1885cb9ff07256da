// Numbered bitmaps from the program's resource directory, and PNG output of bitmaps and of
// packed pixels.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>
#include <vector>

#include "platform/gfx/png_file.h"
#include "platform/gfx/tests/canvas.h"

using namespace gfx_test;

namespace {

// Points LoadBitmap at a directory for the life of the object.
class ResourceDirectory {
public:
    ResourceDirectory() : m_dir(m_root.path() / "skins") {
        std::filesystem::create_directories(m_dir);
        platform::SetResourceDir(m_dir.string());
    }
    ~ResourceDirectory() { platform::SetResourceDir(""); }
    ResourceDirectory(const ResourceDirectory&) = delete;
    ResourceDirectory& operator=(const ResourceDirectory&) = delete;
    std::filesystem::path File(const std::string& name) const { return m_dir / name; }

private:
    TempRoot m_root;
    std::filesystem::path m_dir;
};

// A 24-bit bottom-up BMP of 2 × 2 pixels: top row red, green; bottom row blue, white.
std::vector<unsigned char> TwoByTwoBmp() {
    return {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
            40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0,
            0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            255, 0, 0, 255, 255, 255, 0, 0,  // bottom row: blue, white (BGR), padding
            0, 0, 255, 0, 255, 0, 0, 0};     // top row: red, green
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF color = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return color;
}

}  // namespace

TEST(GfxLoadBitmap, ReadsAPngWrittenBySaveBitmapPng) {
    ResourceDirectory resources;
    Canvas picture(5, 3);
    picture.Pattern(11);
    ASSERT_TRUE(platform::SaveBitmapPng(picture.bitmap(), resources.File("156.png").string()));
    HBITMAP loaded = LoadBitmap(156);
    ASSERT_NE(loaded, nullptr);
    BITMAP info;
    GetObject(loaded, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 5);
    EXPECT_EQ(info.bmHeight, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelOf(loaded, x, y), Canvas::PatternColor(x, y, 11)) << x << "," << y;
    platform::PixelBuffer pixels;
    ASSERT_TRUE(platform::GetBitmapPixels(loaded, &pixels));
    EXPECT_EQ(pixels.pixels[0] >> 24, 0u) << "loaded pixels carry no top byte";
    EXPECT_TRUE(DeleteObject(loaded));
}

TEST(GfxLoadBitmap, ReadsABmpAndPrefersPngWhenBothExist) {
    ResourceDirectory resources;
    const auto bmp = TwoByTwoBmp();
    std::ofstream(resources.File("182.bmp"), std::ios::binary).write(reinterpret_cast<const char*>(bmp.data()),
                                                                       static_cast<std::streamsize>(bmp.size()));
    HBITMAP loaded = LoadBitmap(nullptr, 182);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(PixelOf(loaded, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(loaded, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(PixelOf(loaded, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(loaded, 1, 1), RGB(255, 255, 255));
    DeleteObject(loaded);

    Canvas replacement(1, 1, RGB(9, 9, 9));
    ASSERT_TRUE(platform::SaveBitmapPng(replacement.bitmap(), resources.File("182.png").string()));
    loaded = LoadBitmap(182);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(PixelOf(loaded, 0, 0), RGB(9, 9, 9));
    DeleteObject(loaded);
}

TEST(GfxLoadBitmap, MissingAndUndecodableBitmapsFailWithTheirErrors) {
    ResourceDirectory resources;
    SetLastError(kSentinel);
    EXPECT_EQ(LoadBitmap(999), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    std::ofstream(resources.File("185.png")) << "not a picture";
    SetLastError(kSentinel);
    EXPECT_EQ(LoadBitmap(185), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
    // Every prefix of a real BMP fails cleanly or loads.
    const auto bmp = TwoByTwoBmp();
    for (std::size_t length = 0; length < bmp.size(); ++length) {
        std::ofstream(resources.File("186.bmp"), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(length));
        HBITMAP loaded = LoadBitmap(186);
        if (loaded) DeleteObject(loaded);
    }
}

TEST(GfxLoadBitmap, TheResourceDirectoryFollowsTheProgramOrTheEnvironment) {
    TempRoot root;
    const std::string program = platform::ProgramName();
    platform::SetProgramName("MUSIC.EXE");
    EXPECT_EQ(std::filesystem::path(platform::ResourceDir()), root.path() / "fs" / "NAND" / "MUSIC");
    ::setenv("DEVICE_RESOURCES", "/opt/skins/music", 1);
    EXPECT_EQ(platform::ResourceDir(), "/opt/skins/music");
    platform::SetResourceDir("/tmp/override");
    EXPECT_EQ(platform::ResourceDir(), "/tmp/override");
    platform::SetResourceDir("");
    ::unsetenv("DEVICE_RESOURCES");

    // A skin installed next to the program is found by number.
    std::filesystem::create_directories(root.path() / "fs" / "NAND" / "MUSIC");
    Canvas skin(2, 2, RGB(1, 2, 3));
    ASSERT_TRUE(platform::SaveBitmapPng(skin.bitmap(), (root.path() / "fs" / "NAND" / "MUSIC" / "164.png").string()));
    HBITMAP loaded = LoadBitmap(164);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(PixelOf(loaded, 1, 1), RGB(1, 2, 3));
    DeleteObject(loaded);
    platform::SetProgramName(program);
}

TEST(GfxSavePng, FailsOnAnUnwritablePathOrABadHandle) {
    TempRoot root;
    Canvas picture(2, 2);
    SetLastError(kSentinel);
    EXPECT_FALSE(platform::SaveBitmapPng(picture.bitmap(), (root.path() / "no" / "such" / "dir.png").string()));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_FAULT);
    SetLastError(kSentinel);
    EXPECT_FALSE(platform::SaveBitmapPng(reinterpret_cast<HBITMAP>(picture.dc()), (root.path() / "x.png").string()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(GfxSavePng, WritesBottomUpBitmapsTheRightWayUp) {
    ResourceDirectory resources;
    BITMAPINFO info;
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 2;  // bottom-up
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    static_cast<std::uint32_t*>(bits)[1] = 0x00FF0000u;  // last in memory: the top row
    ASSERT_TRUE(platform::SaveBitmapPng(dib, resources.File("1.png").string()));
    HBITMAP loaded = LoadBitmap(1);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(PixelOf(loaded, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(loaded, 0, 1), RGB(0, 0, 0));
    DeleteObject(loaded);
    DeleteObject(dib);
}

TEST(PngFile, PackedPixelsComeBackAsWrittenAndShortOrEmptyPicturesAreRefused) {
    TempRoot root;
    const auto file = root.path() / "packed.png";
    // Three by two, every pixel different; the top byte of a pixel is not part of its colour.
    const std::vector<std::uint32_t> pixels = {0xFF102030u, 0x00405060u, 0x00708090u,
                                               0x12A0B0C0u, 0x00D0E0F0u, 0x00010203u};
    std::string error;
    ASSERT_TRUE(platform::WritePng(file, 3, 2, pixels, error)) << error;
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> back;
    ASSERT_TRUE(platform::ReadPng(file, width, height, back, error)) << error;
    EXPECT_EQ(width, 3u);
    EXPECT_EQ(height, 2u);
    EXPECT_EQ(back, (std::vector<std::uint32_t>{0x102030u, 0x405060u, 0x708090u, 0xA0B0C0u, 0xD0E0F0u, 0x010203u}));

    // Fewer pixels than the size says must not be read past their end.
    const std::tuple<std::uint32_t, std::uint32_t, std::size_t> refused[] = {{3, 3, 6}, {0, 2, 6}, {3, 0, 6}, {1, 1, 0}};
    for (auto [w, h, count] : refused) {
        error.clear();
        const auto name = root.path() / ("refused_" + std::to_string(w) + "x" + std::to_string(h) + ".png");
        EXPECT_FALSE(platform::WritePng(name, w, h, std::vector<std::uint32_t>(count), error)) << w << "x" << h;
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(std::filesystem::exists(name));
    }
    EXPECT_FALSE(platform::ReadPng(root.path() / "missing.png", width, height, back, error));
}

TEST(PngFile, APngMadeInMemoryIsTheFileAndReadsBackAndEveryCutOfItIsRefused) {
    TempRoot root;
    std::vector<std::uint32_t> pixels(40 * 30);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFFu;
    std::string error;
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(platform::EncodePng(40, 30, pixels, png, error)) << error;
    const auto file = root.path() / "same.png";
    ASSERT_TRUE(platform::WritePng(file, 40, 30, pixels, error)) << error;
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(png, written) << "the page's screenshot and devicectl's are the same file";

    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> back;
    ASSERT_TRUE(platform::DecodePng(png, width, height, back, error)) << error;
    EXPECT_EQ(width, 40u);
    EXPECT_EQ(height, 30u);
    EXPECT_EQ(back, pixels);
    // A PNG cut in its picture data is refused, never read past its end; one that lost only
    // its 12-byte end mark still holds the whole picture.
    constexpr std::size_t kEndMark = 12;
    for (std::size_t size = 0; size < png.size(); size += 7) {
        const std::vector<std::uint8_t> cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(size));
        const bool read = platform::DecodePng(cut, width, height, back, error);
        if (size < png.size() - kEndMark) {
            EXPECT_FALSE(read) << size;
        } else if (read) {
            EXPECT_EQ(back, pixels) << size;
        }
    }
    EXPECT_FALSE(platform::EncodePng(40, 31, pixels, png, error)) << "fewer pixels than the size";
    EXPECT_TRUE(png.empty());
}
