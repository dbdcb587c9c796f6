#pragma once
// Pools, parameter blocks and a recording reporter for the search tests.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "support/Pools.h"
#include "core/calc/CalcEngine.h"

// A block with no slot switched on, no minimums and no suit limit to speak of.
inline CCalcParam OpenParam() {
    CCalcParam p;
    p.m_nSuitLimit = 1000000;
    return p;
}

// Keeps what a run reports and checks that every report comes from the calling thread.
class CRecorder : public ICalcReporter {
public:
    explicit CRecorder(std::atomic<int32_t>& running) : m_running(running), m_thread(std::this_thread::get_id()) {}

    void OnBegin(const CCalcCount& combinations) override {
        Check();
        ++m_nBegins;
        m_nCombinations = combinations;
        m_bRunningAtBegin = m_running.load() != 0;
        if (m_bStopAtBegin) m_running.store(0);
    }
    void OnSuit(std::unique_ptr<CArmorSuit> suit) override {
        Check();
        if (m_nEnds || !m_nBegins) m_bOutOfOrder = true;
        suits.push_back(std::move(suit));
        if (int64_t(suits.size()) == m_nStopAfterSuits) m_running.store(0);
    }
    void OnEnd(const CCalcMsg& end) override {
        Check();
        ++m_nEnds;
        m_end = end;
        m_bRunningAtEnd = m_running.load() != 0;
    }

    int64_t m_nStopAfterSuits = -1;  // clears the flag when that many suits have arrived
    bool m_bStopAtBegin = false;

    std::vector<std::unique_ptr<CArmorSuit>> suits;
    int m_nBegins = 0;
    int m_nEnds = 0;
    CCalcCount m_nCombinations;
    CCalcMsg m_end;
    bool m_bRunningAtBegin = false;
    bool m_bRunningAtEnd = false;
    bool m_bWrongThread = false;
    bool m_bOutOfOrder = false;

private:
    void Check() {
        if (std::this_thread::get_id() != m_thread) m_bWrongThread = true;
    }
    std::atomic<int32_t>& m_running;
    std::thread::id m_thread;
};

// Everything two runs must agree on.
inline void ExpectSameRun(const CCalcResult& want, const CRecorder& wantRec, const CCalcResult& got,
                          const CRecorder& gotRec) {
    EXPECT_EQ(got.m_nCombinations, want.m_nCombinations);
    EXPECT_EQ(got.m_nExamined, want.m_nExamined);
    EXPECT_EQ(got.m_nFound, want.m_nFound);
    EXPECT_EQ(got.m_arrHighest, want.m_arrHighest);
    EXPECT_EQ(got.m_strSummary, want.m_strSummary);
    EXPECT_EQ(gotRec.m_nBegins, 1);
    EXPECT_EQ(gotRec.m_nEnds, 1);
    EXPECT_EQ(gotRec.m_nCombinations, wantRec.m_nCombinations);
    EXPECT_EQ(gotRec.m_end.m_nSuitsFound, wantRec.m_end.m_nSuitsFound);
    EXPECT_EQ(gotRec.m_end.m_nCombinations, wantRec.m_end.m_nCombinations);
    EXPECT_EQ(gotRec.m_end.m_strSummary, wantRec.m_end.m_strSummary);
    EXPECT_FALSE(gotRec.m_bWrongThread);
    EXPECT_FALSE(gotRec.m_bOutOfOrder);
    EXPECT_EQ(gotRec.m_bRunningAtBegin, wantRec.m_bRunningAtBegin);
    EXPECT_EQ(gotRec.m_bRunningAtEnd, wantRec.m_bRunningAtEnd);
    ASSERT_EQ(gotRec.suits.size(), wantRec.suits.size());
    for (size_t i = 0; i < gotRec.suits.size(); ++i) {
        EXPECT_EQ(gotRec.suits[i]->m_strName, wantRec.suits[i]->m_strName) << "suit " << i;
        EXPECT_EQ(gotRec.suits[i]->m_arrPieces, wantRec.suits[i]->m_arrPieces) << "suit " << i;
        EXPECT_EQ(gotRec.suits[i]->m_nTotalResist, wantRec.suits[i]->m_nTotalResist) << "suit " << i;
        EXPECT_EQ(gotRec.suits[i]->m_nCount, wantRec.suits[i]->m_nCount) << "suit " << i;
    }
}
