#pragma once
// Helpers shared by the widget tests: name tables, screenshots, and answering modal dialogs.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "calc/Settings.h"
#include "model/PieceDefs.h"

namespace guitest {

// The default name tables, so pieces get their slot types whatever the test's store holds.
inline void UseDefaultNameTables() {
    for (int k = 0; k < 11; ++k) TheSettings().m_pieceDefs.Table(k) = PieceDefDefaults(k);
}

// Saves a picture of the widget when GORVANTA_SHOTS names a folder.
inline void Shot(QWidget* w, const QString& name) {
    const QByteArray dir = qgetenv("GORVANTA_SHOTS");
    if (dir.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

// The shared sample paste, or an empty string where it is absent.
inline std::string SamplePaste() {
    const char* dir = std::getenv("GORVANTA_SAMPLES");
    if (!dir) return {};
    std::ifstream in(std::string(dir) + "/item-paste.txt", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs action on the next modal dialog that comes up (polled), for code that calls exec().
inline void WhenModal(std::function<void(QWidget*)> action, int timeoutMs = 5000) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, action, waited, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        *waited += 20;
        if (modal || *waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            if (modal) action(modal);
        }
    });
    timer->start(20);
}

}  // namespace guitest
