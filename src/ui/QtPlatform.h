#pragma once

#include "Seams.h"

#include <QHash>
#include <QMessageBox>
#include <QPointer>

class QWidget;

// Standard dialogs, parented to the main window once it exists.
class QtPrompts : public Prompts {
public:
    static constexpr int kMaxOpenNotices = 5;

    void setParentWidget(QWidget* parent) { m_parent = parent; }
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
    void messageBox(const QString& text, const QString& title) override;
    void notify(const QString& text, const QString& title, const QString& key) override;
    QString openFile(const QString& filter, const QString& initialPath) override;
    QString chooseConnection(const QStringList& entries) override;
    std::optional<QString> enterData(const QString& current, const QString& browseFolder) override;

private:
    QWidget* m_parent = nullptr;
    QHash<QString, QPointer<QMessageBox>> m_open;
};

class QtBeeper : public Beeper {
public:
    void beep() override;
};
