#include "WindowRules.h"

#include <algorithm>
#include <cstdint>

CPlaceRect Intersect(const CPlaceRect& a, const CPlaceRect& b) {
    const int x = std::max(a.x, b.x);
    const int y = std::max(a.y, b.y);
    const int r = std::min(a.Right(), b.Right());
    const int bottom = std::min(a.Bottom(), b.Bottom());
    if (r <= x || bottom <= y) return {x, y, 0, 0};
    return {x, y, r - x, bottom - y};
}

CPlaceRect MoveIntoArea(const CPlaceRect& rc, const CPlaceRect& area) {
    CPlaceRect out = rc;
    out.w = std::clamp(rc.w, 0, std::max(area.w, 0));
    out.h = std::clamp(rc.h, 0, std::max(area.h, 0));
    out.x = std::clamp(rc.x, area.x, area.Right() - out.w);
    out.y = std::clamp(rc.y, area.y, area.Bottom() - out.h);
    return out;
}

namespace {
bool TopInside(const CPlaceRect& rc, const CPlaceRect& area) { return rc.y >= area.y && rc.y < area.Bottom(); }
int64_t AreaOf(const CPlaceRect& rc) { return int64_t(rc.w) * rc.h; }
}  // namespace

CPlaceRect PlaceInArea(const CPlaceRect& rc, const CPlaceRect& area) {
    if (area.w <= 0 || area.h <= 0) return rc;
    const CPlaceRect shown = Intersect(rc, area);
    if (TopInside(rc, area) && 2 * AreaOf(shown) >= AreaOf(rc)) return rc;
    return MoveIntoArea(rc, area);
}

CPlaceRect PlaceOnScreens(const CPlaceRect& rc, const std::vector<CPlaceRect>& screens, const CPlaceRect& fallback,
                          int grip) {
    for (const CPlaceRect& screen : screens) {
        const CPlaceRect shown = Intersect(rc, screen);
        if (TopInside(rc, screen) && shown.w >= std::min(grip, rc.w) && shown.h >= std::min(grip, rc.h)) return rc;
    }
    if (fallback.w <= 0 || fallback.h <= 0) return rc;
    return MoveIntoArea(rc, fallback);
}

int SplitLeftWidth(int left, int reference, int total, int minLeft, int minRight) {
    if (total <= 0) return 0;
    // Rounded to the nearest pixel, so that the stored width comes back exactly at the stored size.
    int wanted = reference > 0 ? int((int64_t(left) * total * 2 + reference) / (int64_t(reference) * 2)) : left;
    // A list the user made narrower than its columns is theirs at that size: it is kept from getting
    // narrower still, so the split comes back exactly at the reference width.
    if (reference > 0) minRight = std::max(0, std::min(minRight, reference - left));
    const int limit = total >= minLeft + minRight ? total - minRight : std::min(minLeft, total);
    wanted = std::min(wanted, limit);
    return std::clamp(wanted, 0, total);
}

std::vector<CPlaceRect> CascadeRects(int count, const CPlaceRect& area, int step) {
    std::vector<CPlaceRect> out;
    if (count <= 0) return out;
    step = std::max(step, 1);
    const int spread = step * (count - 1);
    const int w = std::max(area.w - spread, area.w * 2 / 3);
    const int h = std::max(area.h - spread, area.h * 2 / 3);
    int x = area.x;
    int y = area.y;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            x += step;
            y += step;
            if (x + w > area.Right() || y + h > area.Bottom()) {
                x = area.x;
                y = area.y;
            }
        }
        out.push_back({x, y, w, h});
    }
    return out;
}

CPlaceRect WidenWithin(const CPlaceRect& rc, int needed, const CPlaceRect& area) {
    CPlaceRect out = rc;
    if (rc.w >= needed || area.w <= 0) return out;
    out.w = std::max(rc.w, std::min(needed, area.w));
    if (out.Right() > area.Right()) out.x = std::max(area.x, area.Right() - out.w);
    return out;
}
