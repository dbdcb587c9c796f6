#pragma once
// The status bar's part during a run: a bar of the combinations examined against their count and the
// rate in combinations per second, refreshed a few times a second from the run.
#include <QElapsedTimer>
#include <QWidget>

#include <cstdint>

#include "calc/CalcCount.h"

class CCalcRun;
class QLabel;
class QProgressBar;
class QTimer;

// "12,345,678 combinations/second"
QString FormatRate(double perSecond);
// Per mille of the count examined, 0 to 1000 (1000 only when all are); 0 while the count is unknown.
int ProgressPermille(const CCalcCount& examined, const CCalcCount& combinations);

class CCalcProgress : public QWidget {
    Q_OBJECT
public:
    CCalcProgress(const CCalcRun& run, QWidget* parent = nullptr);

    QProgressBar* Bar() const { return m_pBar; }
    QLabel* Rate() const { return m_pRate; }
    // Reads the run's counts now.
    void Refresh();

    static constexpr int REFRESH_MS = 250;

private:
    const CCalcRun& m_run;
    QProgressBar* m_pBar;
    QLabel* m_pRate;
    QTimer* m_pTimer;
    QElapsedTimer m_clock;
};
