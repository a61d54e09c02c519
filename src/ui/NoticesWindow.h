#pragma once

#include "NoticeHistory.h"

#include <QWidget>

class QPlainTextEdit;

// View > Notices: the status line's notices with their times, newest last.
class NoticesWindow : public QWidget {
    Q_OBJECT
public:
    NoticesWindow(const NoticeHistory& history, QWidget* parent);

    // Shows the history as it stands now.
    void refresh();

private:
    const NoticeHistory& m_history;
    QPlainTextEdit* m_list = nullptr;
};
