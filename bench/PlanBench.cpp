// Times the plan search against the plain plan reference of the tests (every target's candidates from the
// plain search, then every assignment tried), in one run. The reference gives up after a time limit
// (--reference-limit S, 60 by default); its time then shows as that limit with ">".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchPools.h"
#include "PlanReference.h"
#include "core/calc/PlanSearch.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

constexpr int kEffTotal = 6;

// Six armor pieces, a ring and a bracelet, as most characters wear.
CPlanTarget Target(const char* name) {
    CPlanTarget t{name, {}};
    for (int k = 0; k < SLOT_COUNT; ++k) t.m_wishes.UseSlot(k) = k < 6 || k == 6 || k == 10;
    t.m_wishes.m_nRankBy = kEffTotal;
    return t;
}

struct CPlanWorkload {
    const char* name;
    const char* what;
    const CalcPool* pool;
    std::vector<CPlanTarget> targets;
};

// How many combinations qualify for a target alone, counted up to a million.
constexpr int32_t kCountUpTo = 1000000;
std::string Qualifying(const CPlanTarget& t, const CalcPool& pool) {
    CCounter count;
    CWishes w = t.m_wishes;
    w.m_nRankBy = 0;
    std::atomic<int32_t> running{0};
    RunSearch({w, kCountUpTo, &pool, 0}, running, count);
    return count.found >= kCountUpTo ? ">1M" : std::to_string(count.found);
}

bool SamePicks(const CPlanResult& a, const CPlanResult& b) {
    if (a.m_arrPicks.size() != b.m_arrPicks.size() || a.m_nServed != b.m_nServed) return false;
    for (size_t t = 0; t < a.m_arrPicks.size(); ++t) {
        const CPlanPick &x = a.m_arrPicks[t], &y = b.m_arrPicks[t];
        if (x.m_reason != y.m_reason || x.m_nValue != y.m_nValue || x.m_pos != y.m_pos) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int threads = 0;
    double limit = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) threads = std::atoi(argv[++i]);
        if (std::strcmp(argv[i], "--reference-limit") == 0 && i + 1 < argc) limit = std::atof(argv[++i]);
    }

    CBenchPool sample, bench;
    if (!MakeSamplePool(sample, 1)) {
        std::fprintf(stderr, "gorvanta-plan-bench: the sample paste was not found (set GORVANTA_SAMPLES)\n");
        return 1;
    }
    MakePool(bench);

    std::vector<CPlanWorkload> loads;
    {
        // Minimums at a share of what the sample can reach at most, so that each one bites.
        CCalcParam all;
        for (int k = 0; k < SLOT_COUNT; ++k) all.UseSlot(k) = 1;
        const CalcHighest high = ReachableHighest(all, sample.lists);
        auto share = [&](int h, int percent) { return int32_t(int64_t(high[size_t(h)]) * percent / 100); };
        // The mage goes without gloves, of which the sample has no medable one, and its minimums are a share
        // of what medable pieces reach.
        CCalcParam medable = all;
        medable.m_bMedableOnly = 1;
        medable.UseSlot(3) = 0;
        const CalcHighest highMedable = ReachableHighest(medable, sample.lists);
        auto medableShare = [&](int h, int percent) { return int32_t(int64_t(highMedable[size_t(h)]) * percent / 100); };
        CPlanWorkload w{"plan-sample", "the sample paste; a medable mage (LMC, LRC), a warrior (HCI, DCI), two "
                        "with luck and the total; each best by \"Eff. Total\"", &sample.lists, {}};
        CPlanTarget mage = Target("Mage");
        mage.m_wishes.m_nLMCLimit = medableShare(HIGH_LMC, 25);
        mage.m_wishes.m_nLRCLimit = medableShare(HIGH_LRC, 25);
        mage.m_wishes.m_bMedableOnly = 1;
        mage.m_wishes.UseSlot(3) = 0;
        CPlanTarget warrior = Target("Warrior");
        warrior.m_wishes.m_nHCILimit = share(HIGH_HCI, 50);
        warrior.m_wishes.m_nDCILimit = share(HIGH_DCI, 50);
        warrior.m_wishes.m_bUseShields = 1;
        CPlanTarget lucky = Target("Lucky"), tank = Target("Tank");
        lucky.m_wishes.m_nLuckLimit = share(HIGH_LUCK, 60);
        lucky.m_wishes.m_nLowerLimit = share(HIGH_TOTAL, 60);
        tank.m_wishes.m_nLuckLimit = share(HIGH_LUCK, 40);
        tank.m_wishes.m_nLowerLimit = share(HIGH_TOTAL, 80);
        w.targets = {mage, warrior, lucky, tank};
        loads.push_back(w);
    }
    // The bench pool: three who all want the best armor, each with a few thousand suits to choose from.
    CPlanTarget a = Target("Caster"), b = Target("Scribe"), c = Target("Gambler");
    a.m_wishes.m_nLowerLimit = 300;
    a.m_wishes.m_nLMCLimit = 12;
    b.m_wishes.m_nLowerLimit = 300;
    b.m_wishes.m_nLRCLimit = 30;
    c.m_wishes.m_nLowerLimit = 300;
    c.m_wishes.m_nLuckLimit = 450;
    loads.push_back({"plan-bench", "the bench pool; three targets (total 300 with LMC 12, with LRC 30, with luck "
                     "450), each best by \"Eff. Total\"", &bench.lists, {a, b, c}});
    {
        CPlanWorkload w{"plan-twins", "the bench pool; five targets wishing alike (total 300, LMC 12), more than "
                        "the pool can serve", &bench.lists, {}};
        for (const char* name : {"One", "Two", "Three", "Four", "Five"}) {
            CPlanTarget t = a;
            t.m_strName = name;
            w.targets.push_back(t);
        }
        loads.push_back(w);
    }

    std::printf("gorvanta-plan-bench: the plan search against the plain plan reference (limit %.0f s)\n", limit);
    std::printf("%-12s %-24s %7s %10s %12s %10s  %s\n", "workload", "qualifying per target", "served", "engine s",
                "reference s", "ratio", "same results");
    bool allSame = true;
    for (const CPlanWorkload& w : loads) {
        std::string counts;
        for (const CPlanTarget& t : w.targets)
            counts += (counts.empty() ? "" : "/") + Qualifying(t, *w.pool);
        double engine = 1e9;
        CPlanResult got;
        for (int rep = 0; rep < 3; ++rep) {
            std::atomic<int32_t> stop{0};
            const auto t0 = std::chrono::steady_clock::now();
            CPlanResult r = RunPlan({&w.targets, w.pool, threads}, stop);
            engine = std::min(engine, Seconds(std::chrono::steady_clock::now() - t0));
            if (rep == 0) got = std::move(r);
        }
        const auto t0 = std::chrono::steady_clock::now();
        const CPlanResult ref = RunReferencePlan(w.targets, *w.pool, limit);
        const double reference = Seconds(std::chrono::steady_clock::now() - t0);
        const bool finished = !ref.m_bStopped;
        const bool same = !finished || SamePicks(got, ref);
        allSame &= same && got.Usable();
        std::printf("%-12s %-24s %7d %10.4f %11s%.1f %9s%.0fx  %s\n", w.name, counts.c_str(), got.m_nServed, engine,
                    finished ? "" : ">", finished ? reference : limit, finished ? "" : ">",
                    (finished ? reference : limit) / engine, finished ? (same ? "yes" : "NO") : "(not finished)");
        std::fflush(stdout);
    }
    for (const CPlanWorkload& w : loads) std::printf("%s: %s\n", w.name, w.what);
    return allSame ? 0 : 1;
}
