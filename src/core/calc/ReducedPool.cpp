#include "ReducedPool.h"

#include <algorithm>

CalcPool ReducedPool(const CalcPool& pool) {
    CalcPool out;
    for (size_t k = 0; k < pool.size(); ++k) {
        const auto& list = pool[k];
        const auto pin = std::find_if(list.begin(), list.end(),
                                      [](const CArmorPiece* p) { return p && p->m_nMark == PieceMark::Pinned; });
        if (pin != list.end()) {
            out[k].push_back(*pin);
            continue;
        }
        out[k].reserve(list.size());
        std::copy_if(list.begin(), list.end(), std::back_inserter(out[k]),
                     [](const CArmorPiece* p) { return !p || p->m_nMark != PieceMark::Excluded; });
    }
    return out;
}
