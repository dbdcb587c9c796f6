#pragma once
// The document and command-line tests build their pools, suits and documents with the shared builders.
#include "support/Pools.h"

// Moves the last piece of the pool list of `type` to the end of pool list k, where a wrong count in a
// file would have put it (reading files a piece by the block it is in, whatever its type).
inline CArmorPiece* Misfile(CGorvantaDoc& doc, int32_t type, int k) {
    PoolList& from = *doc.PoolListFor(type);
    CArmorPiece* p = from.back();
    from.pop_back();
    doc.m_arrPool[size_t(k)].push_back(p);
    return p;
}

// The sample pool and two suits of a damaged document: the silver ring filed among the gloves, the gorget
// among the helms and the bone helmet among the weapons.
struct CMisfiledPieces {
    CArmorPiece *ring, *gorget, *helm;
};
inline CMisfiledPieces AddMisfiledPool(CGorvantaDoc& doc) {
    AddPool(doc);
    AddTwoSuits(doc);
    CMisfiledPieces m;
    m.helm = Misfile(doc, PIECE_HEADWEAR, 11);
    m.ring = Misfile(doc, PIECE_RING, 3);
    m.gorget = Misfile(doc, PIECE_GORGET, 0);
    return m;
}
