#pragma once
// Pools and suits for the tests of the window program's calculation parts.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "calc/CalcEngine.h"
#include "model/ArmorPiece.h"
#include "model/ArmorSuit.h"

// Owns the pieces of a pool built by a test.
struct CGuiTestPool {
    CalcPool lists;
    std::vector<std::unique_ptr<CArmorPiece>> owned;

    CArmorPiece* Add(int slot, std::array<int32_t, 5> resists, int luck = 0) {
        auto p = std::make_unique<CArmorPiece>();
        p->m_nType = 1 << slot;
        p->m_nPhysical = resists[0];
        p->m_nFire = resists[1];
        p->m_nCold = resists[2];
        p->m_nPoison = resists[3];
        p->m_nEnergy = resists[4];
        p->m_nTotalResist = resists[0] + resists[1] + resists[2] + resists[3] + resists[4];
        p->m_nLuck = luck;
        p->m_bMedable = 1;
        p->m_strText = "piece " + std::to_string(owned.size());
        lists[size_t(slot)].push_back(p.get());
        owned.push_back(std::move(p));
        return owned.back().get();
    }
    // n pieces in each of the given slots, values varying with the index.
    void Fill(std::initializer_list<int> slotList, int n) {
        for (int slot : slotList)
            for (int i = 0; i < n; ++i) Add(slot, {i % 7, (i * 3) % 11, i % 5, (i * 7) % 13, i % 3}, i);
    }
};

// A block with the given slots switched on, no minimums and a suit limit.
inline std::unique_ptr<CCalcParam> ParamFor(std::initializer_list<int> slotList, int32_t suitLimit = 100000) {
    auto p = std::make_unique<CCalcParam>();
    for (int slot : slotList) p->UseSlot(slot) = 1;
    p->m_nSuitLimit = suitLimit;
    return p;
}

// A result suit with the given sums and name.
inline std::unique_ptr<CArmorSuit> MakeSuit(const std::string& name, std::array<int32_t, 5> resists,
                                            std::array<int32_t, 8> bonus = {}) {
    auto s = std::make_unique<CArmorSuit>();
    s->m_strName = name;
    s->m_nPhysical = resists[0];
    s->m_nFire = resists[1];
    s->m_nCold = resists[2];
    s->m_nPoison = resists[3];
    s->m_nEnergy = resists[4];
    s->m_nTotalResist = s->GetTotalResist();
    s->m_nLuck = bonus[0];
    s->m_nLMC = bonus[1];
    s->m_nLRC = bonus[2];
    s->m_nMR = bonus[3];
    s->m_nHR = bonus[4];
    s->m_nSR = bonus[5];
    s->m_nDCI = bonus[6];
    s->m_nHCI = bonus[7];
    return s;
}

#include <QDir>
#include <QPixmap>
#include <QWidget>

// With GORVANTA_SHOTS set to a folder, the picture of the widget is kept there under the name.
inline void SaveShot(QWidget& w, const char* name) {
    const QByteArray dir = qgetenv("GORVANTA_SHOTS");
    if (dir.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QString::fromLatin1(name) + QStringLiteral(".png"));
}
