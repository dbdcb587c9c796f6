#include "CalcProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "calc/CalcRun.h"

QString FormatRate(double perSecond) {
    if (!(perSecond >= 0)) perSecond = 0;
    const QLocale english(QLocale::English);
    // Skipped subtrees count in full, so a rate may pass what a 64-bit integer holds.
    const QString number = perSecond < 9e18 ? english.toString(qint64(std::llround(perSecond)))
                                            : english.toString(perSecond, 'f', 0);
    return number + QStringLiteral(" combinations/second");
}

int ProgressPermille(const CCalcCount& examined, const CCalcCount& combinations) {
    if (combinations == 0 || examined == 0) return 0;
    if (examined >= combinations) return 1000;
    return std::min(999, int(examined.ToDouble() / combinations.ToDouble() * 1000.0));
}

CCalcProgress::CCalcProgress(const CCalcRun& run, QWidget* parent)
    : QWidget(parent), m_run(run), m_pBar(new QProgressBar), m_pRate(new QLabel), m_pTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("CalcProgress"));
    m_pBar->setObjectName(QStringLiteral("CalcProgressBar"));
    m_pRate->setObjectName(QStringLiteral("CalcRate"));
    m_pBar->setRange(0, 1000);
    m_pBar->setValue(0);
    m_pBar->setFormat(QStringLiteral("0.0%"));
    m_pBar->setTextVisible(true);
    m_pBar->setFixedWidth(160);
    m_pBar->setMaximumHeight(fontMetrics().height() + 4);
    m_pRate->setText(FormatRate(0));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pRate);
    m_clock.start();
    connect(m_pTimer, &QTimer::timeout, this, &CCalcProgress::Refresh);
    m_pTimer->start(REFRESH_MS);
}

void CCalcProgress::Refresh() {
    const CCalcCount examined = m_run.Examined();
    const int permille = ProgressPermille(examined, m_run.Combinations());
    m_pBar->setValue(permille);
    // Tenths of a percent: a long run moves visibly from the start.
    m_pBar->setFormat(QString::number(permille / 10.0, 'f', 1) + QStringLiteral("%"));
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    m_pRate->setText(FormatRate(seconds > 0 ? examined.ToDouble() / seconds : 0.0));
}
