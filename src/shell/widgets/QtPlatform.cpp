#include "QtPlatform.h"

#include "ConnectDialog.h"

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

QString QtPrompts::openFile(const QString& filter, const QString& initialPath) {
    const QFileInfo initial(initialPath);
    return QFileDialog::getOpenFileName(m_parent, QString(), initial.absolutePath(), filter);
}

QString QtPrompts::chooseConnection(const QStringList& entries) {
    ConnectDialog dialog(entries, m_parent);
    dialog.exec();
    return dialog.picked();
}

void QtBeeper::beep() {
    QApplication::beep();
}
