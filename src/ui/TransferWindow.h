#pragma once

#include <QDialog>

struct TransferProgress;
class QLabel;
class QProgressBar;
class QPushButton;

// How far one binary file transfer has come (name, bytes of the whole, rate, time left), with a
// Stop button. One window a channel; it stays open with the outcome once the transfer ends.
class TransferWindow : public QDialog {
    Q_OBJECT
public:
    explicit TransferWindow(int channel, QWidget* parent = nullptr);

    static QString objectNameFor(int channel);
    void showProgress(const TransferProgress& progress);
    QPushButton* stopButton() const { return m_stop; }
    QString figures() const;

signals:
    void stopClicked(int channel);

private:
    int m_channel;
    QLabel* m_title = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_figures = nullptr;
    QPushButton* m_stop = nullptr;
    bool m_opened = false;
};
