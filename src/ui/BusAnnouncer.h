#pragma once

#include "Announcer.h"

#include <QPointer>

class QWidget;

// Announcements on the accessibility bus, for screen readers and braille displays. Qt 6.8 and
// later send them as announcement events; before that, a notification object of the window is
// shown with the text as its name, which screen readers present when it shows.
class BusAnnouncer : public AnnouncementOutput {
public:
    explicit BusAnnouncer(QWidget* window) : m_window(window) {}

    bool listening() const override;
    void announce(const QString& text) override;

    // The notification object, once something was announced through it; none with Qt 6.8.
    QWidget* notification() const { return m_notice; }

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_notice;
};
