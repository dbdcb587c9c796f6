#include "CalcProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "gui/calc/CalcRun.h"
#include "core/calc/ResultColumns.h"

QString FormatRate(double perSecond) {
    if (!(perSecond >= 0)) perSecond = 0;
    const QLocale english(QLocale::English);
    // Skipped subtrees count in full, so a rate may pass what a 64-bit integer holds.
    const QString number = perSecond < 9e18 ? english.toString(qint64(std::llround(perSecond)))
                                            : english.toString(perSecond, 'f', 0);
    return number + QStringLiteral(" combinations/s");
}

double RatePerSecond(const CCalcCount& examined, double seconds) {
    return seconds > 0 ? examined.ToDouble() / seconds : 0.0;
}

QString FormatFound(int64_t found, int64_t limit) {
    const QLocale english(QLocale::English);
    return QStringLiteral("%1 of %2 suits").arg(english.toString(qint64(found)), english.toString(qint64(limit)));
}

QString FormatBest(int column, std::optional<int32_t> best) {
    if (!best || column < 1 || column >= RESULT_COLUMN_COUNT) return QString();
    return QStringLiteral("Best %1: %2").arg(QString::fromLatin1(ResultColumnHeadings()[size_t(column)])).arg(*best);
}

std::optional<double> EstimateSecondsLeft(const CCalcCount& examined, const CCalcCount& combinations, double seconds,
                                          int64_t found, int64_t limit) {
    if (!(seconds > MIN_SECONDS_FOR_ESTIMATE) || examined == 0 || examined >= combinations) return std::nullopt;
    const double done = examined.ToDouble();
    double left = (combinations.ToDouble() - done) / (done / seconds);
    if (limit > 0 && found > 0 && found < limit) left = std::min(left, double(limit - found) / (double(found) / seconds));
    return left;
}

QString FormatTimeLeft(double seconds) {
    constexpr double kMinute = 60, kHour = 3600, kDay = 86400;
    if (!(seconds < 100 * kDay)) return QStringLiteral("more than 99 d left");
    const qint64 s = std::max<qint64>(1, qint64(std::ceil(seconds)));
    const auto two = [](qint64 big, const char* bigUnit, qint64 small, const char* smallUnit) {
        QString text = QStringLiteral("about %1 %2").arg(big).arg(QString::fromLatin1(bigUnit));
        if (small) text += QStringLiteral(" %1 %2").arg(small).arg(QString::fromLatin1(smallUnit));
        return text + QStringLiteral(" left");
    };
    if (s < kMinute) return two(s, "s", 0, "");
    // Seconds matter only for the last few minutes.
    if (s < 10 * kMinute) return two(s / 60, "min", s % 60, "s");
    if (s < kHour) return two(s / 60, "min", 0, "");
    if (s < kDay) return two(s / 3600, "h", s % 3600 / 60, "min");
    return two(s / 86400, "d", s % 86400 / 3600, "h");
}

int ProgressPermille(const CCalcCount& examined, const CCalcCount& combinations) {
    if (combinations == 0 || examined == 0) return 0;
    if (examined >= combinations) return 1000;
    return std::min(999, int(examined.ToDouble() / combinations.ToDouble() * 1000.0));
}

CCalcProgress::CCalcProgress(const CCalcRun& run, QWidget* parent)
    : CCalcProgress([&run] { return run.Status(); }, parent) {}

CCalcProgress::CCalcProgress(std::function<CCalcRunStatus()> status, QWidget* parent)
    : QWidget(parent), m_status(std::move(status)), m_pBar(new QProgressBar), m_pRate(new QLabel), m_pFound(new QLabel),
      m_pTimeLeft(new QLabel), m_pTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("CalcProgress"));
    m_pBar->setObjectName(QStringLiteral("CalcProgressBar"));
    m_pRate->setObjectName(QStringLiteral("CalcRate"));
    m_pFound->setObjectName(QStringLiteral("CalcFound"));
    m_pTimeLeft->setObjectName(QStringLiteral("CalcTimeLeft"));
    m_pBar->setRange(0, 1000);
    m_pBar->setValue(0);
    m_pBar->setFormat(QStringLiteral("0.0%"));
    m_pBar->setTextVisible(true);
    m_pBar->setFixedWidth(120);
    m_pBar->setMaximumHeight(fontMetrics().height() + 4);
    m_pRate->setText(FormatRate(0));
    m_pRate->setToolTip(tr("Combinations examined per second"));
    // In a narrow window the rate and the time left give way (cut at their end) before the count does;
    // squeezed below their texts' widths, labels would otherwise paint over each other.
    m_pRate->setMinimumWidth(1);
    m_pTimeLeft->setMinimumWidth(1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pFound);
    layout->addWidget(m_pRate);
    layout->addWidget(m_pTimeLeft);
    m_clock.start();
    connect(m_pTimer, &QTimer::timeout, this, &CCalcProgress::Refresh);
    m_pTimer->start(REFRESH_MS);
    Refresh();
}

void CCalcProgress::Refresh() {
    const CCalcRunStatus st = m_status();
    const int permille = ProgressPermille(st.m_nExamined, st.m_nCombinations);
    m_pBar->setValue(permille);
    // Tenths of a percent: a long run moves visibly from the start.
    m_pBar->setFormat(QString::number(permille / 10.0, 'f', 1) + QStringLiteral("%"));
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    m_pRate->setText(FormatRate(RatePerSecond(st.m_nExamined, seconds)));
    // A ranked run keeps looking after it holds its limit of suits; its best value says how far it got.
    const QString found = st.m_bCountsOnly ? QString()
                          : st.m_nRankColumn ? FormatBest(st.m_nRankColumn, st.m_best)
                                             : FormatFound(st.m_nFound, st.m_nSuitLimit);
    m_pFound->setText(found);
    m_pFound->setVisible(!found.isEmpty());
    const auto left = EstimateSecondsLeft(st.m_nExamined, st.m_nCombinations, seconds, st.m_nFound,
                                          st.m_nRankColumn || st.m_bCountsOnly ? 0 : st.m_nSuitLimit);
    m_pTimeLeft->setText(left ? FormatTimeLeft(*left) : QString());
    m_pTimeLeft->setVisible(left.has_value());
}

void CCalcProgress::ShowIn(QMainWindow& frame) {
    frame.statusBar()->addPermanentWidget(this);
    show();
}

void CCalcProgress::Remove(QPointer<CCalcProgress>& progress) {
    if (!progress) return;
    CCalcProgress* p = progress.data();
    progress.clear();
    if (auto* status = qobject_cast<QStatusBar*>(p->parentWidget())) status->removeWidget(p);
    delete p;
}
