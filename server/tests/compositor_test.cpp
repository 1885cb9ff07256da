// The compositor and the pen's hit test on their own, without a server: windows partly or wholly
// off the screen, sizes at and past the limits, the overlay's destination at the edges, the
// backlight's scale. Under the sanitizers these also prove that no pixel is read or written
// outside a surface, the overlay buffer or the screen.
#include <gtest/gtest.h>

#include "server/compositor/compositor.h"
#include "server/windows/window_tree.h"

namespace {

using server::Compositor;
using server::WindowTree;

class CompositorTest : public ::testing::Test {
protected:
    static constexpr protocol::Rect kWhole{0, 0, 0x7FFFFFFF, 0x7FFFFFFF};

    std::uint32_t Add(protocol::Rect rect, std::uint32_t colour, std::uint32_t parent = 0, bool visible = true,
                      bool topmost = false) {
        server::Window window;
        window.style = visible ? server::kWsVisible : 0;
        window.rect = rect;
        window.parent = parent;
        window.topmost = topmost;
        const std::uint32_t hwnd = tree.Create(std::move(window));
        Fill(hwnd, colour);
        compositor.TakePaint(hwnd, kWhole);
        return hwnd;
    }
    // Draws into the window's surface as its program would, without saying it is done.
    void Fill(std::uint32_t hwnd, std::uint32_t colour) {
        if (auto surface = compositor.EnsureSurface(tree, hwnd); surface.pixels)
            for (std::uint32_t y = 0; y < surface.pixels->Height(); ++y)
                std::fill_n(surface.pixels->Row(y), surface.pixels->Width(), colour);
    }
    std::uint32_t At(std::uint32_t x, std::uint32_t y) { return compositor.Compose(tree).At(x, y); }

    WindowTree tree;
    Compositor compositor{800, 480};
};

TEST_F(CompositorTest, WindowsPartlyOffTheScreenShowTheirVisiblePart) {
    Add({-50, -20, 30, 40}, 0x111111);
    Add({780, 470, 900, 600}, 0x222222);
    Add({-5000, -5000, -4000, -4000}, 0x333333);  // wholly off: nothing drawn, nothing touched
    EXPECT_EQ(At(0, 0), 0x111111u);
    EXPECT_EQ(At(29, 39), 0x111111u);
    EXPECT_EQ(At(30, 39), 0u);
    EXPECT_EQ(At(799, 479), 0x222222u);
    EXPECT_EQ(At(779, 479), 0u);
}

TEST_F(CompositorTest, WindowsWithoutAreaOrPastTheSizeLimitGetNoSurfaceAndDrawNothing) {
    const auto empty = Add({10, 10, 10, 50}, 0x444444);
    const auto inverted = Add({100, 100, 50, 50}, 0x444444);
    const auto huge = Add({0, 0, 5000, 100}, 0x444444);
    const auto limit = Add({0, 0, 4096, 1}, 0x555555);
    EXPECT_EQ(compositor.EnsureSurface(tree, empty).pixels, nullptr);
    EXPECT_EQ(compositor.EnsureSurface(tree, inverted).pixels, nullptr);
    EXPECT_EQ(compositor.EnsureSurface(tree, huge).pixels, nullptr);
    ASSERT_NE(compositor.EnsureSurface(tree, limit).pixels, nullptr);
    EXPECT_EQ(At(799, 0), 0x555555u);
    EXPECT_EQ(At(0, 1), 0u);
    EXPECT_EQ(compositor.EnsureSurface(tree, 0xDEAD).pixels, nullptr) << "no such window";
}

TEST_F(CompositorTest, AResizeMakesANewGenerationAndDestroyedWindowsGiveBackTheirSurfaces) {
    const auto hwnd = Add({0, 0, 100, 100}, 0x666666);
    const auto first = compositor.EnsureSurface(tree, hwnd);
    EXPECT_EQ(compositor.EnsureSurface(tree, hwnd).generation, first.generation) << "same size, same surface";
    tree.Get(hwnd)->rect = {0, 0, 120, 90};
    const auto second = compositor.EnsureSurface(tree, hwnd);
    ASSERT_NE(second.pixels, nullptr);
    EXPECT_NE(second.generation, first.generation);
    EXPECT_EQ(second.pixels->Width(), 120u);
    compositor.DropSurfaces(tree.Destroy(hwnd));
    EXPECT_EQ(compositor.SurfaceCount(), 0u);
    compositor.DropSurfaces({hwnd, 0, 12345});  // already gone: nothing happens
}

TEST_F(CompositorTest, TheScreenShowsASurfaceOnlyAsFarAsItsProgramHasFinishedDrawingIt) {
    const auto hwnd = Add({100, 100, 300, 200}, 0x111111);
    EXPECT_EQ(At(150, 150), 0x111111u);
    Fill(hwnd, 0x222222);  // a paint under way
    EXPECT_FALSE(compositor.Dirty()) << "drawing alone changes nothing on the screen";
    EXPECT_EQ(At(150, 150), 0x111111u) << "the last finished paint, not the one under way";
    EXPECT_TRUE(compositor.TakePaint(hwnd, {10, 20, 30, 40}));
    EXPECT_TRUE(compositor.Dirty());
    EXPECT_EQ(At(110, 120), 0x222222u) << "the finished part";
    EXPECT_EQ(At(129, 139), 0x222222u);
    EXPECT_EQ(At(130, 139), 0x111111u) << "right and bottom edges are outside the part";
    EXPECT_EQ(At(129, 140), 0x111111u);

    // Parts reaching past the surface take what lies inside it; parts wholly outside, or
    // inverted, take nothing.
    Fill(hwnd, 0x333333);
    EXPECT_TRUE(compositor.TakePaint(hwnd, {-50, -50, 5, 5}));
    EXPECT_TRUE(compositor.TakePaint(hwnd, {190, 90, 0x7FFFFFFF, 0x7FFFFFFF}));
    EXPECT_TRUE(compositor.TakePaint(hwnd, {250, 0, 300, 100}));
    EXPECT_TRUE(compositor.TakePaint(hwnd, {60, 60, 40, 40}));
    EXPECT_EQ(At(100, 100), 0x333333u);
    EXPECT_EQ(At(104, 104), 0x333333u);
    EXPECT_EQ(At(299, 199), 0x333333u);
    EXPECT_EQ(At(150, 150), 0x111111u);
    EXPECT_EQ(At(150, 100), 0x111111u);

    EXPECT_FALSE(compositor.TakePaint(0xDEAD, kWhole)) << "no such window";
    // A resize makes a new surface that shows black until its first finished paint.
    tree.Get(hwnd)->rect = {100, 100, 200, 200};
    Fill(hwnd, 0x444444);
    EXPECT_EQ(At(150, 150), 0u);
    EXPECT_TRUE(compositor.TakePaint(hwnd, kWhole));
    EXPECT_EQ(At(150, 150), 0x444444u);
}

TEST_F(CompositorTest, GrandchildrenAreClippedToEveryAncestor) {
    const auto parent = Add({100, 100, 200, 200}, 0x010101);
    const auto child = Add({50, 0, 150, 100}, 0x020202, parent);       // right half outside parent
    Add({40, 40, 100, 100}, 0x030303, child);                           // at 190..250 on screen
    const auto hidden = Add({0, 0, 100, 100}, 0x040404, parent, false);
    Add({0, 0, 10, 10}, 0x050505, hidden);                               // child of a hidden window
    EXPECT_EQ(At(195, 145), 0x030303u);
    EXPECT_EQ(At(205, 145), 0u) << "clipped by the grandparent";
    EXPECT_EQ(At(160, 110), 0x020202u);
    EXPECT_EQ(At(105, 105), 0x010101u) << "a visible child of a hidden window does not show";
}

TEST_F(CompositorTest, OverlayDestinationsAtTheEdgesStretchAndClip) {
    Add({0, 0, 800, 480}, 0xFF100010);  // the key with a stray high byte still counts as the key
    auto* overlay = compositor.OpenOverlay(7, 2, 1, {-400, 400, 400, 600});
    ASSERT_NE(overlay, nullptr);
    overlay->Row(0)[0] = 0xAAAAAA;
    overlay->Row(0)[1] = 0xBBBBBB;
    EXPECT_EQ(At(0, 400), 0xBBBBBBu) << "the right half of the buffer lies on the screen";
    EXPECT_EQ(At(399, 479), 0xBBBBBBu);
    EXPECT_EQ(At(400, 479) & 0xFFFFFFu, server::kOverlayColourKey);
    EXPECT_FALSE(compositor.MoveOverlay(8, {0, 0, 10, 10})) << "only its owner moves it";
    EXPECT_TRUE(compositor.MoveOverlay(7, {0, 0, 0, 10}));
    EXPECT_EQ(At(0, 0) & 0xFFFFFFu, server::kOverlayColourKey) << "an empty destination shows nothing";
    EXPECT_TRUE(compositor.MoveOverlay(7, {799, 479, 0x7FFFFFFF, 0x7FFFFFFF}));
    EXPECT_EQ(At(799, 479), 0xAAAAAAu);
    EXPECT_FALSE(compositor.CloseOverlay(8));
    EXPECT_TRUE(compositor.CloseOverlay(7));
    EXPECT_EQ(compositor.OpenOverlay(7, Compositor::kMaxOverlaySide + 1, 1, {}), nullptr);
}

TEST_F(CompositorTest, BacklightScalesEachChannelAndDirtiesTheScreenOnlyWhenItChanges) {
    Add({0, 0, 800, 480}, 0xFF8001);
    compositor.Compose(tree);
    compositor.SetBacklight(100, true);
    EXPECT_FALSE(compositor.Dirty()) << "no change, no new frame";
    compositor.SetBacklight(50, true);
    EXPECT_TRUE(compositor.Dirty());
    EXPECT_EQ(At(0, 0), 0x7F4000u);
    compositor.SetBacklight(1000, true);
    EXPECT_EQ(compositor.BacklightLevel(), 100u);
    EXPECT_EQ(At(0, 0), 0xFF8001u);
}

TEST(WindowAt, FindsTheFrontVisibleWindowAndDescendsIntoVisibleChildren) {
    WindowTree tree;
    auto make = [&](protocol::Rect rect, std::uint32_t parent = 0, bool visible = true) {
        server::Window window;
        window.style = visible ? server::kWsVisible : 0;
        window.rect = rect;
        window.parent = parent;
        return tree.Create(std::move(window));
    };
    const auto back = make({0, 0, 800, 480});
    const auto front = make({100, 100, 300, 300});
    const auto child = make({10, 10, 50, 50}, front);
    const auto grandchild = make({5, 5, 10, 10}, child);
    make({0, 0, 200, 200}, front, false);  // hidden, in front of child
    make({600, 0, 800, 100}, 0, false);
    EXPECT_EQ(tree.WindowAt(0, 0), back);
    EXPECT_EQ(tree.WindowAt(100, 100), front);
    EXPECT_EQ(tree.WindowAt(299, 299), front);
    EXPECT_EQ(tree.WindowAt(300, 300), back) << "right and bottom edges are outside";
    EXPECT_EQ(tree.WindowAt(110, 110), child);
    EXPECT_EQ(tree.WindowAt(115, 115), grandchild);
    EXPECT_EQ(tree.WindowAt(700, 50), back) << "hidden windows are not hit";
    EXPECT_EQ(tree.WindowAt(-1, 10), 0u);
    EXPECT_EQ(tree.WindowAt(800, 10), 0u);
}

}  // namespace
