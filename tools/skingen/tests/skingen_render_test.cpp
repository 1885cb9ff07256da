// Renders the declared resource folders into a temporary directory and reads the pictures back
// the way a program does (LoadBitmap by number from its resource directory).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include <unistd.h>

#include "platform/resources/dialog_template.h"
#include "tools/skingen/dialog_preview.h"
#include "tools/skingen/resource_set.h"
#include "tools/skingen/skin_painter.h"

namespace skingen {
namespace {

namespace fs = std::filesystem;

class Rendered : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("skingen_test_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        m_saved_resource_dir = platform::ResourceDir();
    }
    void TearDown() override {
        platform::SetResourceDir(m_saved_resource_dir);
        fs::remove_all(m_dir);
    }
    // Installs a program's folder and points LoadBitmap at the result.
    resources::SkinDeclaration Install(const std::string& program) {
        const std::string source = std::string(HEADUNIT_RESOURCES_DIR) + "/" + program;
        std::vector<std::string> problems;
        EXPECT_TRUE(InstallResourceSet(source, m_dir.string(), problems)) << (problems.empty() ? "" : problems[0]);
        platform::SetResourceDir(m_dir.string());
        return ReadResourceSet(source).skin;
    }
    fs::path m_dir;
    std::string m_saved_resource_dir;
};

struct Picture {
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    explicit Picture(UINT id) : bitmap(LoadBitmap(id)) {
        if (!bitmap) return;
        dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, bitmap);
    }
    ~Picture() {
        if (dc) DeleteDC(dc);
        if (bitmap) DeleteObject(bitmap);
    }
    BITMAP Info() const {
        BITMAP info{};
        GetObject(bitmap, sizeof info, &info);
        return info;
    }
    // Pixels of one frame as a list, for comparing frames.
    std::vector<COLORREF> Frame(int left, int top, int width, int height) const {
        std::vector<COLORREF> pixels;
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x) pixels.push_back(GetPixel(dc, x, y));
        return pixels;
    }
};

void CheckDeclaredSet(const resources::SkinDeclaration& skin) {
    for (const auto& declared : skin.bitmaps) {
        SCOPED_TRACE("bitmap " + std::to_string(declared.id));
        Picture picture(declared.id);
        ASSERT_TRUE(picture.bitmap);
        const BITMAP info = picture.Info();
        EXPECT_EQ(info.bmWidth, declared.Width());
        EXPECT_EQ(info.bmHeight, declared.Height());
        // Every frame and row is a picture of its own: no two cells alike.
        std::set<std::vector<COLORREF>> cells;
        for (int row = 0; row < declared.rows; ++row)
            for (int frame = 0; frame < declared.frames; ++frame)
                cells.insert(picture.Frame(frame * declared.frame_width, row * declared.frame_height,
                                           declared.frame_width, declared.frame_height));
        EXPECT_EQ(cells.size(), static_cast<size_t>(declared.frames * declared.rows));
        if (UsesKeyColour(declared.look)) {
            // The top-left corner of every cell is outside its shape, so it is the key colour,
            // and the cell holds drawn pixels too.
            for (int frame = 0; frame < declared.frames; ++frame) {
                EXPECT_EQ(GetPixel(picture.dc, frame * declared.frame_width, 0), kKeyColour) << "frame " << frame;
                const auto cell = picture.Frame(frame * declared.frame_width, 0, declared.frame_width,
                                                declared.frame_height);
                EXPECT_GT(std::count_if(cell.begin(), cell.end(), [](COLORREF c) { return c != kKeyColour; }), 0)
                    << "frame " << frame;
            }
        } else {
            int keyed = 0;
            for (int y = 0; y < declared.Height(); y += 3)
                for (int x = 0; x < declared.Width(); x += 3) keyed += GetPixel(picture.dc, x, y) == kKeyColour;
            EXPECT_EQ(keyed, 0) << "an opaque look shows key colour";
        }
    }
}

// Every picture of HomeDeck's screens at the size of its control, with its frames.
struct DeclaredPicture {
    UINT id;
    int width, height, frames, rows = 1;
};
constexpr DeclaredPicture kHomeDeckPictures[] = {
    {130, 800, 480, 1},                                                         // screen
    {137, 212, 50, 1},  {142, 212, 50, 1},  {146, 212, 50, 1},                 // menu titles
    {156, 700, 32, 1},  {160, 700, 32, 1},  {176, 700, 32, 1},                 // screen titles
    {131, 140, 154, 3}, {132, 130, 154, 3}, {133, 127, 154, 3}, {134, 140, 154, 3},
    {135, 123, 154, 3}, {136, 63, 68, 2},                                       // main menu
    {138, 145, 154, 3}, {139, 175, 154, 3}, {140, 159, 154, 3}, {141, 160, 154, 3},
    {143, 159, 154, 3}, {144, 174, 154, 3}, {145, 174, 154, 3},                 // settings menu
    {147, 85, 45, 2},   {148, 100, 33, 2},  {149, 100, 32, 2},                  // save, exits
    {150, 45, 45, 2},   {151, 314, 45, 2},  {152, 47, 45, 2},   {153, 30, 19, 1},
    {157, 75, 23, 1},   {158, 126, 126, 2},                                     // backlight
    {161, 75, 22, 1},   {162, 76, 22, 1},   {163, 132, 48, 2},  {164, 100, 37, 2},
    {165, 166, 45, 1},  {173, 131, 44, 2},  {174, 131, 44, 2},  {175, 131, 44, 2},  // sound and FM
    {177, 456, 90, 1},  {178, 456, 90, 1},  {179, 456, 90, 1},  {180, 456, 90, 1},
    {181, 92, 48, 2},                                                           // information
    {155, 394, 233, 1},                                                         // scan box
    {184, 72, 51, 2},                                                           // taskbar button
    {182, 235, 75, 1, 3}, {183, 390, 7, 1, 2}, {185, 400, 64, 1},               // framework
};

TEST_F(Rendered, HomeDeckPicturesHaveTheirScreensSizesAndStrings) {
    const auto skin = Install("homedeck");
    ASSERT_EQ(skin.bitmaps.size(), std::size(kHomeDeckPictures));
    CheckDeclaredSet(skin);
    for (const auto& e : kHomeDeckPictures) {
        SCOPED_TRACE("bitmap " + std::to_string(e.id));
        Picture picture(e.id);
        ASSERT_TRUE(picture.bitmap);
        EXPECT_EQ(picture.Info().bmWidth, e.width * e.frames);
        EXPECT_EQ(picture.Info().bmHeight, e.height * e.rows);
    }
    std::ifstream strings(m_dir / "strings.txt");
    std::string line;
    std::getline(strings, line);
    std::getline(strings, line);
    EXPECT_EQ(line, "1\t현재모드에서 지원하지 않는 기능입니다.");
    std::getline(strings, line);
    EXPECT_EQ(line, "2\t업데이트가 완료되었습니다.");
    std::getline(strings, line);
    EXPECT_EQ(line, "3\t업데이트에 실패했습니다. 업데이트 파일은 카드에 남아 있습니다.");
    std::getline(strings, line);
    EXPECT_EQ(line, "4\t지난 업데이트가 중단되었습니다. 다시 업데이트해 주십시오.");
}

TEST_F(Rendered, HomeDeckMenuButtonsDifferByTheirFaces) {
    Install("homedeck");
    // Each menu button's normal frame must be told apart from the others at a glance; the
    // icon area (the upper half) alone differs.
    std::set<std::vector<COLORREF>> faces;
    for (const UINT id : {131, 132, 133, 134, 135, 138, 139, 140, 141, 143, 144, 145})
        faces.insert(Picture(id).Frame(30, 30, 60, 60));
    EXPECT_EQ(faces.size(), 12u);
}

TEST_F(Rendered, TelecastButtonsDifferByTheirIcons) {
    Install("telecast");
    // Buttons of one size side by side are told apart by the icon area alone: the bottom bar's
    // next, previous, sound and muted (icons only, in the middle), and its page up and page
    // down (icons above their labels).
    std::set<std::vector<COLORREF>> bar;
    for (const UINT id : {146, 132, 144, 145}) bar.insert(Picture(id).Frame(15, 20, 30, 30));
    EXPECT_EQ(bar.size(), 4u);
    EXPECT_NE(Picture(142).Frame(40, 12, 30, 26), Picture(140).Frame(40, 12, 30, 26));
    // The popup panel's sound buttons, whose labels are as wide as each other, differ in the
    // icon on their left too.
    EXPECT_NE(Picture(173).Frame(0, 0, 50, 51), Picture(174).Frame(0, 0, 50, 51));
}

struct ExpectedControl {
    uint32_t id;
    resources::ControlKind kind;
};

TEST(HomeDeckTemplates, EachScreenHoldsItsControlsInDrawingOrder) {
    using enum resources::ControlKind;
    const struct {
        const char* name;
        std::vector<ExpectedControl> controls;
    } screens[] = {
        {"main", {{1016, Static}, {1001, Button}, {1002, Button}, {1003, Button}, {1004, Button}, {1005, Button},
                  {1006, Button}}},
        {"multimedia", {{1016, Static}, {1015, Button}, {1007, Button}, {1008, Button}, {1009, Button}, {1010, Button}}},
        {"settings", {{1016, Static}, {1015, Button}, {1011, Button}, {1012, Button}, {1013, Button}}},
        {"backlight", {{1016, Static}, {1017, Static}, {1015, Button}, {1018, Button}, {1019, Slider}, {1020, Button},
                       {1021, Button}, {1014, Button}}},
        {"sound", {{1016, Static}, {1022, Static}, {1023, Static}, {1015, Button}, {1014, Button}, {1024, Button},
                   {1025, Slider}, {1026, Button}, {1035, Static}, {1036, Static}, {1037, Static}, {1027, Button},
                   {1028, Static}, {1029, Button}, {1030, Button}, {1031, Static}, {1032, Static}, {1033, Static},
                   {1034, Static}}},
        {"info",
         {{1016, Static}, {1038, Static}, {1040, Static}, {1039, Static}, {1041, Static}, {1015, Button},
          {1042, Button}}},
    };
    std::ifstream in(std::string(HEADUNIT_RESOURCES_DIR) + "/homedeck/dialog.txt", std::ios::binary);
    const auto templates = resources::ParseDialogTemplates(std::string(std::istreambuf_iterator<char>(in), {}));
    ASSERT_TRUE(templates.errors.empty());
    ASSERT_EQ(templates.dialogs.size(), std::size(screens));
    for (size_t i = 0; i < std::size(screens); ++i) {
        const auto& dialog = templates.dialogs[i];
        SCOPED_TRACE(dialog.name);
        EXPECT_EQ(dialog.name, screens[i].name);
        EXPECT_EQ(dialog.width, 800);
        EXPECT_EQ(dialog.height, 480);
        EXPECT_EQ(dialog.background, 130u);
        ASSERT_EQ(dialog.controls.size(), screens[i].controls.size());
        for (size_t c = 0; c < dialog.controls.size(); ++c) {
            const auto& control = dialog.controls[c];
            EXPECT_EQ(control.id, screens[i].controls[c].id);
            EXPECT_EQ(control.kind, screens[i].controls[c].kind) << control.id;
            EXPECT_TRUE(control.skin.has_value()) << control.id;
            // The pictures carry their labels; a caption would be drawn over them.
            EXPECT_TRUE(control.caption.empty()) << control.id;
            // The frequency and the presets' names are centred on their plates.
            const bool program_text = control.id == 1028 || (control.id >= 1031 && control.id <= 1034);
            EXPECT_EQ(control.style, program_text ? (resources::kStyleCenter | resources::kStyleVCenter)
                                                  : static_cast<uint32_t>(resources::kStyleLeft))
                << control.id;
        }
    }
}

TEST_F(Rendered, WarningBoxInsideIsLightForItsBlackText) {
    Install("homedeck");
    Picture picture(185);
    ASSERT_TRUE(picture.dc);
    const COLORREF inside = GetPixel(picture.dc, 200, 32);
    EXPECT_GT(GetRValue(inside) + GetGValue(inside) + GetBValue(inside), 600);
}

TEST_F(Rendered, PlayersCarryTheSpinner) {
    // Movie's 156 is its playlist's highlight; its spinner is 172.
    const std::pair<const char*, std::uint32_t> spinners[] = {{"music", 156}, {"movie", 172}, {"extview", 156}};
    for (const auto& [program, spinner] : spinners) {
        SCOPED_TRACE(program);
        fs::remove_all(m_dir);
        const auto skin = Install(program);
        const auto found = std::find_if(skin.bitmaps.begin(), skin.bitmaps.end(),
                                        [&](const auto& bitmap) { return bitmap.look == resources::SkinLook::Spinner; });
        ASSERT_NE(found, skin.bitmaps.end());
        EXPECT_EQ(found->id, spinner);
        EXPECT_EQ(found->frames, 8);
        CheckDeclaredSet(skin);
    }
}

TEST_F(Rendered, DemoSkinAndItsButtonsDiffer) {
    const auto skin = Install("skindemo");
    CheckDeclaredSet(skin);
    // The transport buttons must be told apart by their normal frames alone.
    std::set<std::vector<COLORREF>> faces;
    for (UINT id = 300; id <= 308; ++id) faces.insert(Picture(id).Frame(0, 0, 96, 72));
    EXPECT_EQ(faces.size(), 9u);
    // The program reads its dialog template on the device, so it is installed as it stands.
    auto read = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read(m_dir / "dialog.txt"), read(std::string(HEADUNIT_RESOURCES_DIR) + "/skindemo/dialog.txt"));
    EXPECT_FALSE(read(m_dir / "dialog.txt").empty());
}

TEST_F(Rendered, BadDeclarationInstallsNothingAndSaysWhere) {
    const fs::path source = m_dir / "source";
    fs::create_directories(source);
    std::ofstream(source / "skin.txt") << "1 10x10 1 1 panel\n2 10x10 1 1 sparkle\n";
    std::vector<std::string> problems;
    EXPECT_FALSE(InstallResourceSet(source.string(), (m_dir / "out").string(), problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("skin.txt:2: unknown look 'sparkle'"), std::string::npos) << problems[0];
    EXPECT_FALSE(fs::exists(m_dir / "out" / "1.png"));
}

TEST_F(Rendered, TemplateNamingAnUndeclaredBitmapIsRefused) {
    const fs::path source = m_dir / "source";
    fs::create_directories(source);
    std::ofstream(source / "skin.txt") << "1 10x10 1 1 panel\n2 10x10 3 1 button\n";
    std::ofstream(source / "dialog.txt") << "dialog a 10x10 background 1\ncontrol 5 button 0,0 10x10 - skin 2\n"
                                            "control 6 button 0,0 10x10 - skin 9\n";
    std::vector<std::string> problems;
    EXPECT_FALSE(InstallResourceSet(source.string(), (m_dir / "out").string(), problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("dialog.txt:3: bitmap 9 is not declared in skin.txt"), std::string::npos)
        << problems[0];
}

TEST_F(Rendered, BadStringTableIsReportedWithItsLine) {
    const fs::path source = m_dir / "source";
    fs::create_directories(source);
    std::ofstream(source / "strings.txt") << "1\tgood\nbad line\n";
    std::vector<std::string> problems;
    EXPECT_FALSE(InstallResourceSet(source.string(), (m_dir / "out").string(), problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("strings.txt:2: no tab"), std::string::npos) << problems[0];
    EXPECT_FALSE(fs::exists(m_dir / "out" / "strings.txt"));
}

TEST_F(Rendered, DemoDialogPreviewIsTheDialogSizeWithItsControlsDrawn) {
    fs::create_directories(m_dir);
    const std::string png = (m_dir / "preview.png").string();
    std::vector<std::string> problems;
    ASSERT_TRUE(SaveDialogPreview(std::string(HEADUNIT_RESOURCES_DIR) + "/skindemo", png, std::nullopt, problems));
    platform::SetResourceDir(m_dir.string());
    fs::rename(png, m_dir / "1.png");
    Picture screen(1);
    ASSERT_TRUE(screen.bitmap);
    EXPECT_EQ(screen.Info().bmWidth, 800);
    EXPECT_EQ(screen.Info().bmHeight, 480);
    // The play button (control 1011 at 240,200) shows its normal frame, not the bare panel.
    Install("skindemo");
    Picture play(301);
    EXPECT_EQ(screen.Frame(240, 200, 96, 72), play.Frame(0, 0, 96, 72));
    // No key colour is left on the screen: keyed pictures went through TransparentBlt.
    int keyed = 0;
    for (int y = 0; y < 480; y += 2)
        for (int x = 0; x < 800; x += 2) keyed += GetPixel(screen.dc, x, y) == kKeyColour;
    EXPECT_EQ(keyed, 0);
}

TEST_F(Rendered, PreviewShowsTheTemplateNamed) {
    fs::create_directories(m_dir / "previews");
    const std::string folder = std::string(HEADUNIT_RESOURCES_DIR) + "/homedeck";
    std::vector<std::string> problems;
    ASSERT_TRUE(SaveDialogPreview(folder, (m_dir / "previews" / "1.png").string(), "sound", problems));
    ASSERT_TRUE(SaveDialogPreview(folder, (m_dir / "previews" / "2.png").string(), std::nullopt, problems));
    Install("homedeck");
    Picture add(163), navigation(131);
    platform::SetResourceDir((m_dir / "previews").string());
    Picture sound(1), first(2);
    ASSERT_TRUE(sound.bitmap);
    ASSERT_TRUE(first.bitmap);
    // The sound screen's Add button (1030 at 547,295) is there, and not the main menu's
    // navigation button (1001 at 72,206), which the first template, main, shows.
    EXPECT_EQ(sound.Frame(547, 295, 132, 48), add.Frame(0, 0, 132, 48));
    EXPECT_NE(sound.Frame(72, 206, 140, 154), navigation.Frame(0, 0, 140, 154));
    EXPECT_EQ(first.Frame(72, 206, 140, 154), navigation.Frame(0, 0, 140, 154));
}

TEST_F(Rendered, PreviewOfAnUnknownTemplateNamesTheOnesThereAre) {
    fs::create_directories(m_dir);
    std::vector<std::string> problems;
    EXPECT_FALSE(SaveDialogPreview(std::string(HEADUNIT_RESOURCES_DIR) + "/homedeck", (m_dir / "p.png").string(),
                                   "radio", problems));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("no dialog 'radio' (it has main, multimedia, settings, backlight, sound, info)"),
              std::string::npos)
        << problems[0];
    EXPECT_FALSE(fs::exists(m_dir / "p.png"));
}

TEST_F(Rendered, ControlOrBackgroundOfAnotherSizeThanItsFrameIsRefused) {
    const fs::path source = m_dir / "source";
    fs::create_directories(source);
    std::ofstream(source / "skin.txt") << "1 20x10 1 1 panel\n2 10x10 3 1 button\n3 12x16 12 1 digits\n";
    std::ofstream(source / "dialog.txt") << "dialog a 20x10 background 1\n"
                                            "control 5 button 0,0 10x10 - skin 2\n"
                                            "control 6 button 0,0 11x10 - skin 2\n"
                                            "control 7 static 0,0 60x16 - skin 3\n"
                                            "dialog b 20x12 background 1\n";
    std::vector<std::string> problems;
    EXPECT_FALSE(InstallResourceSet(source.string(), (m_dir / "out").string(), problems));
    // The digit strip's glyphs are not the control's size, and need not be.
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("dialog.txt:3: control 6 is 11x10 but a frame of bitmap 2 is 10x10"), std::string::npos)
        << problems[0];
    EXPECT_NE(problems[1].find("dialog.txt:5: dialog 'b' is 20x12 but a frame of bitmap 1 is 20x10"), std::string::npos)
        << problems[1];
}

TEST_F(Rendered, TitleLabelAndPanelLooks) {
    const fs::path source = m_dir / "source";
    fs::create_directories(source);
    std::ofstream(source / "skin.txt") << "1 100x200 1 1 panel\n"
                                          "2 100x200 1 1 panel label \"제목\"\n"
                                          "3 200x32 1 1 title label \"제목\"\n"
                                          "4 80x22 1 1 label label \"볼륨\"\n";
    std::vector<std::string> problems;
    ASSERT_TRUE(InstallResourceSet(source.string(), m_dir.string(), problems));
    platform::SetResourceDir(m_dir.string());
    Picture plain(1), titled(2), title(3), label(4);
    const COLORREF body = GetPixel(plain.dc, 50, 150);
    // A panel without a title is one flat colour; with one, it has its title strip.
    EXPECT_EQ(GetPixel(plain.dc, 50, 10), body);
    EXPECT_NE(GetPixel(titled.dc, 90, 10), body);
    // A title bar: its slanted end leaves the bottom-right corner in the panel's colour, the
    // bar and its accent line under it are not.
    EXPECT_EQ(GetPixel(title.dc, 199, 31), body);
    EXPECT_NE(GetPixel(title.dc, 150, 10), body);
    EXPECT_NE(GetPixel(title.dc, 150, 31), GetPixel(title.dc, 150, 10));
    // A label is its text on the panel's colour: no plate at its corners, ink between them.
    EXPECT_EQ(GetPixel(label.dc, 0, 0), body);
    EXPECT_EQ(GetPixel(label.dc, 79, 21), body);
    const auto cells = label.Frame(0, 0, 80, 22);
    EXPECT_GT(std::count_if(cells.begin(), cells.end(), [](COLORREF c) { return GetRValue(c) > 100; }), 20);
}

TEST_F(Rendered, WideButtonPutsItsIconBesideItsLabel) {
    const fs::path source = m_dir / "source";
    fs::create_directories(source);
    std::ofstream(source / "skin.txt") << "1 132x48 2 1 button icon add label \"추가\"\n"
                                          "2 132x48 2 1 button label \"추가\"\n";
    std::vector<std::string> problems;
    ASSERT_TRUE(InstallResourceSet(source.string(), m_dir.string(), problems));
    platform::SetResourceDir(m_dir.string());
    // The box around the normal frame's white ink: icon and label drawn in the text colour.
    auto ink_box = [](const Picture& picture) {
        RECT box{132, 48, -1, -1};
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 132; ++x) {
                const COLORREF c = GetPixel(picture.dc, x, y);
                if (GetRValue(c) < 200 || GetGValue(c) < 200) continue;
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
                       std::max<LONG>(box.bottom, y)};
            }
        }
        return box;
    };
    const RECT with_icon = ink_box(Picture(1)), label_only = ink_box(Picture(2));
    ASSERT_GE(label_only.right, 0);
    // The icon widens the ink to the left, and the pair stays on one line in the middle
    // instead of the icon standing above the label.
    EXPECT_LT(with_icon.left, label_only.left - 10);
    EXPECT_GT(with_icon.top, 8);
    EXPECT_LT(with_icon.bottom, 40);
    EXPECT_LT(std::abs((with_icon.left + with_icon.right) / 2 - 66), 6);
}

TEST_F(Rendered, FolderWithoutFilesInstallsAnEmptyDirectory) {
    fs::create_directories(m_dir / "empty");
    std::vector<std::string> problems;
    EXPECT_TRUE(InstallResourceSet((m_dir / "empty").string(), (m_dir / "out").string(), problems));
    EXPECT_TRUE(fs::is_directory(m_dir / "out"));
}

}  // namespace
}  // namespace skingen
