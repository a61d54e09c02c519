// Desktop notifications of what stations do while the operator looks elsewhere, and the way back
// to the station's channel when one is clicked.

#include "MainWindow.h"

#include "DesktopNotifier.h"

#include <QApplication>

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
