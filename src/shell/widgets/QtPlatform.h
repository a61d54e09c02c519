#pragma once

#include "Seams.h"

class QWidget;

// Standard dialogs, parented to the main window once it exists.
class QtPrompts : public Prompts {
public:
    void setParentWidget(QWidget* parent) { m_parent = parent; }
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override;
    void messageBox(const QString& text, const QString& title) override;
    QString openFile(const QString& filter, const QString& initialPath) override;
    QString chooseConnection(const QStringList& entries) override;
    std::optional<QString> enterData(const QString& current, bool withBrowse) override;

private:
    QWidget* m_parent = nullptr;
};

class QtBeeper : public Beeper {
public:
    void beep() override;
};
