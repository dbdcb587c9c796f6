#pragma once
// A plan: several characters, each with its wishes, to be given suits from one pool at once. A plain value
// the document stores; the search for it is in PlanSearch.h.
#include <string>
#include <vector>

#include "core/calc/Wishes.h"

struct CPlanTarget {
    std::string m_strName;  // trimmed; distinct from the other targets' names ignoring case
    CWishes m_wishes;
    bool operator==(const CPlanTarget&) const = default;
};

struct CPlan {
    std::vector<CPlanTarget> m_arrTargets;  // first = highest priority
    // The pieces the plan's characters wear now may be used (and their suits are then replaced).
    bool m_bWorn = false;
    bool Empty() const { return m_arrTargets.empty(); }
    bool operator==(const CPlan&) const = default;
};
