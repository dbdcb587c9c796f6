#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "core/model/WindowRules.h"

// Failures show the rectangles.
static std::ostream& operator<<(std::ostream& os, const CPlaceRect& r) {
    return os << "(" << r.x << ", " << r.y << " " << r.w << "x" << r.h << ")";
}

// A document window stored where the document area no longer reaches comes into view; one that shows
// stays exactly where it was.
TEST(WindowRules, DocumentWindowsComeIntoTheAreaOnlyWhenMostlyOutOfIt) {
    const CPlaceRect area{0, 0, 404, 190};
    const struct {
        const char* what;
        CPlaceRect stored;
        CPlaceRect placed;
    } cases[] = {
        {"tiled in a maximized window, the right half", {801, 0, 800, 410}, {0, 0, 404, 190}},
        {"wholly inside", {10, 20, 300, 150}, {10, 20, 300, 150}},
        {"a little over the right edge", {200, 10, 300, 150}, {200, 10, 300, 150}},
        {"mostly over the right edge", {300, 10, 300, 150}, {104, 10, 300, 150}},
        {"below the area", {10, 500, 300, 150}, {10, 40, 300, 150}},
        {"title bar above the area", {10, -30, 300, 150}, {10, 0, 300, 150}},
        {"left of the area", {-250, 10, 300, 150}, {0, 10, 300, 150}},
        {"larger than the area, at its corner", {0, 0, 500, 250}, {0, 0, 500, 250}},
        {"larger than the area, far out", {900, 900, 500, 250}, {0, 0, 404, 190}},
    };
    for (const auto& c : cases) EXPECT_EQ(PlaceInArea(c.stored, area), c.placed) << c.what;
    // Without a laid-out area nothing can be judged: the stored place is kept.
    EXPECT_EQ(PlaceInArea({801, 0, 800, 410}, {0, 0, 0, 0}), (CPlaceRect{801, 0, 800, 410}));
}

TEST(WindowRules, MainWindowComesBackOnAScreenOnlyWhenNoScreenShowsIt) {
    const std::vector<CPlaceRect> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const CPlaceRect work{0, 0, 1920, 1040};
    const struct {
        const char* what;
        CPlaceRect stored;
        CPlaceRect placed;
    } cases[] = {
        {"on the primary screen", {30, 20, 702, 416}, {30, 20, 702, 416}},
        {"on the second screen", {2000, 100, 702, 416}, {2000, 100, 702, 416}},
        {"an icon's width showing on the right", {1888, 100, 702, 416}, {1888, 100, 702, 416}},
        {"left of every screen", {-2000, 100, 702, 416}, {0, 100, 702, 416}},
        {"above every screen", {30, -600, 702, 416}, {30, 0, 702, 416}},
        {"on a screen that has gone", {3300, 1200, 702, 416}, {1218, 624, 702, 416}},
        {"larger than the work area and gone", {-5000, 0, 2500, 1500}, {0, 0, 1920, 1040}},
    };
    for (const auto& c : cases) EXPECT_EQ(PlaceOnScreens(c.stored, screens, work, 32), c.placed) << c.what;
}

TEST(WindowRules, SplitKeepsItsProportionAndTheListItsFirstColumns) {
    const struct {
        const char* what;
        int left, reference, total, minLeft, minRight;
        int expected;
    } cases[] = {
        {"the stored size gives the stored width, even with a narrow list", 197, 590, 590, 120, 400, 197},
        {"a list made narrow gets no narrower", 900, 1000, 800, 120, 390, 700},
        {"the stored size, room enough", 197, 590, 590, 120, 300, 197},
        {"twice as wide, twice the tree", 197, 590, 1180, 120, 300, 394},
        {"half as wide: the list keeps its columns", 300, 600, 300, 50, 200, 100},
        {"rounded to the nearest pixel", 197, 590, 295, 120, 100, 99},
        {"widened tree in a tiled window", 600, 1200, 700, 120, 390, 310},
        {"narrower than tree and list minimums", 600, 1200, 400, 120, 390, 120},
        {"narrower than the tree minimum: the proportion", 600, 1200, 90, 120, 390, 45},
        {"no reference: the width as it is", 150, 0, 500, 120, 300, 150},
        {"nothing to split", 150, 400, 0, 120, 300, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitLeftWidth(c.left, c.reference, c.total, c.minLeft, c.minRight), c.expected) << c.what;
}

TEST(WindowRules, CascadedWindowsAreLargeEnoughAndStayInTheArea) {
    const CPlaceRect area{0, 0, 900, 600};
    for (int count : {1, 2, 5, 40}) {
        const std::vector<CPlaceRect> rects = CascadeRects(count, area, 24);
        ASSERT_EQ(int(rects.size()), count);
        for (size_t i = 0; i < rects.size(); ++i) {
            const CPlaceRect& r = rects[i];
            EXPECT_GE(r.w, area.w * 2 / 3) << count << " windows, window " << i;
            EXPECT_GE(r.h, area.h * 2 / 3) << count << " windows, window " << i;
            EXPECT_EQ(Intersect(r, area), r) << count << " windows, window " << i << " leaves the area";
            if (i > 0 && r.x != 0) {
                EXPECT_EQ(r.x, rects[i - 1].x + 24);
                EXPECT_EQ(r.y, rects[i - 1].y + 24);
            }
        }
    }
    EXPECT_EQ(CascadeRects(1, area, 24).front(), area);
    EXPECT_EQ(CascadeRects(2, area, 24)[1], (CPlaceRect{24, 24, 876, 576}));
    EXPECT_TRUE(CascadeRects(0, area, 24).empty());
}

TEST(WindowRules, DialogsWidenForTheirColumnsWithinTheScreen) {
    const CPlaceRect screen{0, 0, 1280, 1000};
    const struct {
        const char* what;
        CPlaceRect rc;
        int needed;
        CPlaceRect expected;
    } cases[] = {
        {"wide enough already", {100, 50, 900, 400}, 800, {100, 50, 900, 400}},
        {"widened in place", {100, 50, 700, 400}, 900, {100, 50, 900, 400}},
        {"widened and moved left to stay on the screen", {600, 50, 700, 400}, 900, {380, 50, 900, 400}},
        {"no wider than the screen", {600, 50, 700, 400}, 2000, {0, 50, 1280, 400}},
    };
    for (const auto& c : cases) EXPECT_EQ(WidenWithin(c.rc, c.needed, screen), c.expected) << c.what;
}
