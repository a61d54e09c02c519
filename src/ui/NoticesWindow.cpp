#include "NoticesWindow.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

NoticesWindow::NoticesWindow(const NoticeHistory& history, QWidget* parent)
    // A tool window of the main window, so it opens above it like the other lists.
    : QWidget(parent, Qt::Tool), m_history(history) {
    setObjectName(QStringLiteral("frmNotices"));
    setWindowTitle(QStringLiteral("Notices"));
    setAccessibleName(QStringLiteral("Notices"));
    m_list = new QPlainTextEdit(this);
    m_list->setObjectName(QStringLiteral("txtNotices"));
    m_list->setAccessibleName(QStringLiteral("Notices, newest last"));
    m_list->setReadOnly(true);
    m_list->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(520, 300);
}

void NoticesWindow::refresh() {
    QStringList lines;
    for (const NoticeHistory::Notice& notice : m_history.notices())
        lines.append(notice.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                     QStringLiteral("  ") + notice.text);
    m_list->setPlainText(lines.join(QLatin1Char('\n')));
    m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum());
}
