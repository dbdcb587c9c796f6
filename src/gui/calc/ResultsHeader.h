#pragma once
// Tells when the user has finished resizing a column: when the mouse is let go after dragging a divider,
// and after a double-click on a divider has fitted the column to its texts. Widths that the program sets
// (showing or hiding a column) are not reported, and neither are the steps of a drag.
#include <QObject>

#include <set>

class QHeaderView;
class QWidget;

class CColumnResizeWatcher : public QObject {
    Q_OBJECT
public:
    explicit CColumnResizeWatcher(QHeaderView* header);

signals:
    void ColumnResized(int column, int width);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSectionResized(int column, int oldSize, int newSize);
    void OnHandleDoubleClicked(int column);
    void Report();

    QHeaderView* m_pHeader;
    // Kept apart: while the header is being destroyed its viewport still sends events here.
    QWidget* m_pViewport;
    bool m_bPressed = false;
    std::set<int> m_pending;
};
