#pragma once
// The status bar's part during a run: a bar of the combinations examined against their count, the suits
// found against the limit (or, for a ranked run, the best value so far), the rate in combinations per
// second and, for a long run, the time left; refreshed a few times a second from the run.
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

#include "core/calc/CalcCount.h"

class CCalcRun;
struct CCalcRunStatus;
class QLabel;
class QMainWindow;
class QProgressBar;
class QTimer;

// "12,345,678 combinations/s": combinations examined per second
QString FormatRate(double perSecond);
// Combinations examined per second; 0 before any time has passed.
double RatePerSecond(const CCalcCount& examined, double seconds);
// "412 of 1,000 suits"
QString FormatFound(int64_t found, int64_t limit);
// "Best Eff. Total: 331" for results column 1 to 15; empty while no value is known.
QString FormatBest(int column, std::optional<int32_t> best);
// The time left at the rate so far, once the run has gone on for more than MIN_SECONDS_FOR_ESTIMATE;
// none before, once all is examined, or while nothing is.
inline constexpr double MIN_SECONDS_FOR_ESTIMATE = 2.0;
// A run that ends at its suit limit (limit > 0) may end sooner: then the time to the limit at the rate
// suits have been found so far, where that is less.
std::optional<double> EstimateSecondsLeft(const CCalcCount& examined, const CCalcCount& combinations, double seconds,
                                          int64_t found = 0, int64_t limit = 0);
// "about 1 min 20 s left"; whole seconds rounded up, coarser as the time grows.
QString FormatTimeLeft(double seconds);
// Per mille of the count examined, 0 to 1000 (1000 only when all are); 0 while the count is unknown.
int ProgressPermille(const CCalcCount& examined, const CCalcCount& combinations);

class CCalcProgress : public QWidget {
    Q_OBJECT
public:
    CCalcProgress(const CCalcRun& run, QWidget* parent = nullptr);
    // Any run that can tell where it stands.
    CCalcProgress(std::function<CCalcRunStatus()> status, QWidget* parent = nullptr);

    QProgressBar* Bar() const { return m_pBar; }
    QLabel* Rate() const { return m_pRate; }
    QLabel* Found() const { return m_pFound; }
    QLabel* TimeLeft() const { return m_pTimeLeft; }
    // Reads the run's counts now.
    void Refresh();
    // Puts the part into the frame's status bar and shows it.
    void ShowIn(QMainWindow& frame);
    // Takes a part out of its status bar and deletes it; the pointer is cleared first.
    static void Remove(QPointer<CCalcProgress>& progress);

    static constexpr int REFRESH_MS = 250;

private:
    std::function<CCalcRunStatus()> m_status;
    QProgressBar* m_pBar;
    QLabel* m_pRate;
    QLabel* m_pFound;
    QLabel* m_pTimeLeft;
    QTimer* m_pTimer;
    QElapsedTimer m_clock;
};
