// Desktop notifications of what stations do while the operator looks elsewhere, and the way back
// to the station's channel when one is clicked; View > Notices, and where lists of its own open.

#include "MainWindow.h"

#include "DesktopNotifier.h"
#include "NoticesWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

bool MainWindow::inFront() const {
    for (const QWidget* w = QApplication::activeWindow(); w;
         w = w->parentWidget() ? w->parentWidget()->window() : nullptr) {
        if (w == this)
            return true;
    }
    return false;
}

void MainWindow::noteActivity(int channel, const QString& call, const QString& line) {
    if (inFront())
        return;
    if (!m_notifier) {
        m_notifier = new DesktopNotifier(this);
        QObject::connect(m_notifier, &DesktopNotifier::activated, this, [this](int clicked) {
            if (isMinimized())
                showNormal();
            bringToFront();
            showTab(clicked);
        });
    }
    if (line.isEmpty())
        m_notifier->notify(channel, call + QStringLiteral(" connected"),
                           QStringLiteral("Channel %1").arg(channel + 1));
    else
        m_notifier->notify(channel, call, line);
}

QRect MainWindow::toolArea() const {
    const int row = m_tabs->tabBar()->height();
    QRect area(m_tabs->mapToGlobal(QPoint(0, row)), QSize(m_tabs->width(), m_tabs->height() - row));
    return screen() ? area.intersected(screen()->availableGeometry()) : area;
}

void MainWindow::takeKeyboardBack() {
    activateWindow();
    m_sendLine->setFocus();
}

void MainWindow::showNoticesWindow() {
    if (!m_noticesWindow)
        m_noticesWindow = new NoticesWindow(m_notices, this);
    m_noticesWindow->refresh();
    m_noticesWindow->show();
    m_noticesWindow->raise();
    m_noticesWindow->activateWindow();
    m_noticesWindow->setFocus();
}
