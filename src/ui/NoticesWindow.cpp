#include "NoticesWindow.h"

#include "MainWindow.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShortcut>
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
    setFocusProxy(m_list);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(520, 300);
    // The keyboard leaves it as it came: Escape or Ctrl+W, back to the send line.
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, [this] {
            close();
            if (auto* main = qobject_cast<MainWindow*>(parentWidget()))
                main->takeKeyboardBack();
        });
}

void NoticesWindow::refresh() {
    QStringList lines;
    for (const NoticeHistory::Notice& notice : m_history.notices())
        lines.append(notice.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                     QStringLiteral("  ") + notice.text);
    m_list->setPlainText(lines.join(QLatin1Char('\n')));
    m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum());
}
