#include "QtPlatform.h"

#include "ConnectDialog.h"
#include "DataDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

QString QtPrompts::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultAnswer) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : QString();
}

void QtPrompts::messageBox(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

void QtPrompts::notify(const QString& text, const QString& title, const QString& key) {
    m_open.removeIf(
        [](const auto& entry) { return !entry.value() || !entry.value()->isVisible(); });
    // One per key is in front of the operator already; a station naming page after page
    // must not bury the window under messages either.
    if (m_open.contains(key) || m_open.size() >= kMaxOpenNotices)
        return;
    auto* box = new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    m_open.insert(key, box);
    box->show();
}

QString QtPrompts::openFile(const QString& filter, const QString& initialPath) {
    const QFileInfo initial(initialPath);
    // "Description | pattern" names one filter; "*.*" would hide files without a dot here.
    QString qtFilter = filter.section(QLatin1Char('|'), 0, 0).trimmed();
    qtFilter.replace(QLatin1String("*.*"), QLatin1String("*"));
    return QFileDialog::getOpenFileName(m_parent, QString(), initial.absolutePath(), qtFilter);
}

std::optional<QString> QtPrompts::enterData(const QString& current, const QString& browseFolder) {
    DataDialog dialog(m_parent);
    dialog.setText(current);
    dialog.setBrowseFolder(browseFolder);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}

QString QtPrompts::chooseConnection(const QStringList& entries) {
    ConnectDialog dialog(entries, m_parent);
    dialog.exec();
    return dialog.picked();
}

void QtBeeper::beep() {
    QApplication::beep();
}
