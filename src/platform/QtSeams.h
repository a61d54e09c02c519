#pragma once

#include "Seams.h"

#include <QTimer>
#include <functional>

// The real clock and poll timer; both live in QtCore, so tests may use them too.
class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 nowMs() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

class QtPollTimer : public PollTimer {
public:
    static constexpr int kIntervalMs = 333;

    explicit QtPollTimer(std::function<void()> onTick) {
        m_timer.setInterval(kIntervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [cb = std::move(onTick)] { cb(); });
    }
    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};
