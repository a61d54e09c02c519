#pragma once

#include <QDialog>

struct FileSendProgress;
class QLabel;
class QProgressBar;
class QPushButton;

// Shows how far a paced Send File has come, with a Stop button. It opens when a send starts and
// closes when it ends; closed early, the send goes on and the status line tells its end.
class SendProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit SendProgressDialog(QWidget* parent = nullptr);

    void showProgress(const FileSendProgress& progress);
    QPushButton* stopButton() const { return m_stop; }
    QProgressBar* bar() const { return m_bar; }
    // Sizes and centres the dialog in proportion to a screen of that many pixels.
    void fitToScreen(QSize screenPixels);

signals:
    void stopClicked();

private:
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_stop = nullptr;
    bool m_opened = false; // the send shown now opened the dialog already
};
