#include "Properties.h"

#include "ArmorSuit.h"

namespace {
int32_t Wrap(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
}  // namespace

CPropertyValues CPropertyValues::Of(const CArmorPiece& piece) {
    CPropertyValues r;
    for (const PropertyDef& d : kPropertyTable) r.v[size_t(d.index)] = piece.GetProperty(d.index);
    return r;
}

CPropertyValues CPropertyValues::Of(const CArmorSuit& suit) {
    CPropertyValues r;
    for (const PropertyDef& d : kPropertyTable) r.v[size_t(d.index)] = suit.GetProperty(d.index, true);
    return r;
}

CPropertyValues& CPropertyValues::operator+=(const CPropertyValues& other) {
    for (size_t i = 0; i < v.size(); ++i) v[i] = Wrap(v[i], other.v[i]);
    return *this;
}

CPropertyValues CPropertyValues::operator-(const CPropertyValues& other) const {
    CPropertyValues r;
    for (size_t i = 0; i < v.size(); ++i) r.v[i] = int32_t(uint32_t(v[i]) - uint32_t(other.v[i]));
    return r;
}

int32_t CPropertyValues::Get(int index, bool bypassCap) const {
    if (index < 0 || index >= PROP_COUNT) return 0;
    return index < RESIST_COUNT ? CapResist(v[size_t(index)], bypassCap) : v[size_t(index)];
}

int32_t CPropertyValues::ResistTotal() const {
    int32_t sum = 0;
    for (int i = 0; i < RESIST_COUNT; ++i) sum = Wrap(sum, v[size_t(i)]);
    return sum;
}

int32_t CPropertyValues::CappedResistTotal(bool bypassCap) const {
    int32_t sum = 0;
    for (int i = 0; i < RESIST_COUNT; ++i) sum = Wrap(sum, Get(i, bypassCap));
    return sum;
}
