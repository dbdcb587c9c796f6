#include "ResultsHeader.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>

CColumnResizeWatcher::CColumnResizeWatcher(QHeaderView* header)
    : QObject(header), m_pHeader(header), m_pViewport(header->viewport()) {
    m_pViewport->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, &CColumnResizeWatcher::OnSectionResized);
    // Connected after the table's own fit-to-contents, so the fitted width is the one reported.
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this, &CColumnResizeWatcher::OnHandleDoubleClicked);
}

bool CColumnResizeWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pViewport) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                m_bPressed = true;
                m_pending.clear();
            }
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_bPressed) {
                m_bPressed = false;
                // Reported once the header has finished its own handling of the release.
                QMetaObject::invokeMethod(this, &CColumnResizeWatcher::Report, Qt::QueuedConnection);
            }
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CColumnResizeWatcher::OnSectionResized(int column, int, int) {
    if (m_bPressed) m_pending.insert(column);
}

void CColumnResizeWatcher::OnHandleDoubleClicked(int column) {
    m_pending.erase(column);
    emit ColumnResized(column, m_pHeader->sectionSize(column));
}

void CColumnResizeWatcher::Report() {
    const std::set<int> done = std::move(m_pending);
    m_pending.clear();
    for (int column : done) emit ColumnResized(column, m_pHeader->sectionSize(column));
}
