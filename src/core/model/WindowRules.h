#pragma once
// Where windows and panes go when a stored or arranged size meets the room there is: rules on plain
// rectangles, so that they hold the same for the main window, the document windows and the dialogs.
#include <vector>

// x and y are the top-left corner; w and h the size.
struct CPlaceRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
    bool operator==(const CPlaceRect&) const = default;
};

// The part of `a` that lies in `b` (empty when they do not meet).
CPlaceRect Intersect(const CPlaceRect& a, const CPlaceRect& b);
// `rc` moved, and shrunk where it is larger than `area`, to lie wholly inside `area`.
CPlaceRect MoveIntoArea(const CPlaceRect& rc, const CPlaceRect& area);

// A document window's stored place in the document area: kept as it is while at least half of it shows
// and its title bar is inside the area; otherwise moved (and shrunk if need be) into the area.
CPlaceRect PlaceInArea(const CPlaceRect& rc, const CPlaceRect& area);
// The main window's stored place among the screens: kept while a `grip` by `grip` square of it shows on
// some screen, with its top on that screen; otherwise moved into `fallback` (the primary work area).
CPlaceRect PlaceOnScreens(const CPlaceRect& rc, const std::vector<CPlaceRect>& screens, const CPlaceRect& fallback,
                          int grip);

// The tree's width in a split `total` pixels wide when it was `left` of `reference`: the same proportion,
// but leaving the list at least `minRight` (or the width it had in the reference, if that was less) while
// `total` has room for `minLeft` besides; with less room the tree gets no more than `minLeft`.
int SplitLeftWidth(int left, int reference, int total, int minLeft, int minRight);

// Cascaded windows in `area`, each a title bar `step` below and to the right of the one before: every
// window gets the same size, large enough to use (at least two thirds of the area), and the row starts over
// at the area's corner when the next window would leave it.
std::vector<CPlaceRect> CascadeRects(int count, const CPlaceRect& area, int step);

// A dialog `needed` pixels wide at `rc` on a screen whose work area is `area`: widened to `needed` (no
// wider than the area) and moved left as far as it must to stay on it.
CPlaceRect WidenWithin(const CPlaceRect& rc, int needed, const CPlaceRect& area);
