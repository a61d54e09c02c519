#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The notices the status line has shown, newest last, so one shown once can be read again.
class NoticeHistory {
public:
    static constexpr qsizetype kMaxNotices = 200;

    struct Notice {
        QDateTime when;
        QString text;
    };

    void add(const QDateTime& when, const QString& text) {
        if (m_notices.size() == kMaxNotices)
            m_notices.removeFirst();
        m_notices.append({when, text});
    }
    const QList<Notice>& notices() const { return m_notices; }

private:
    QList<Notice> m_notices;
};
