#pragma once

#include "Announcer.h"

#include <QPointer>
#include <QStringList>
#include <array>

class QWidget;

// Announcements on the accessibility bus, for screen readers and braille displays. Qt 6.8 and
// later send them as announcement events; before that, a notification object of the window is
// shown with the text as its name, which screen readers present when it shows. What is said in
// one pass of the event loop goes out as one announcement: a reader asked for the name of a
// notification shown twice at once hears only the second.
class BusAnnouncer : public AnnouncementOutput {
public:
    explicit BusAnnouncer(QWidget* window) : m_window(window) {}

    bool listening() const override;
    void announce(const QString& text) override;

private:
    void present();

    QPointer<QWidget> m_window;
    QStringList m_waiting;
    static constexpr int kNotices = 8;
    std::array<QPointer<QWidget>, kNotices> m_notices;
    int m_next = 0;
};
