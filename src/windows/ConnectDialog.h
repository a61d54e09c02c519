#pragma once

#include <QDialog>

class QListWidget;

// frmConnect, "Connect To:": the remembered stations, sorted; a click picks
// one and closes at once.
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectDialog(const QStringList& entries, QWidget* parent = nullptr);
    QString picked() const { return m_picked; }
    QListWidget* list() const { return m_list; }

private:
    void pick();

    QListWidget* m_list = nullptr;
    QString m_picked;
};

using frmConnect = ConnectDialog;
