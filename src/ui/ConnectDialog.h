#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// frmConnect, "Connect To:": the remembered stations, sorted; a click picks
// one and closes at once.
class ConnectDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectDialog(const QStringList& entries, QWidget* parent = nullptr);
    QString picked() const { return m_picked; }
    QListWidget* list() const { return m_list; }
    // Sizes and centres the dialog in proportion to a screen of that many pixels.
    void fitToScreen(QSize screenPixels);

private:
    void pick();

    QListWidget* m_list = nullptr;
    QPushButton* m_done = nullptr;
    QString m_picked;
};

using frmConnect = ConnectDialog;
