#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// frmDialog, "Please Enter Data:": one line of text, with "Browse" to fill it
// with a file path when the caller wants one. Double quotes cannot be typed:
// the settings file could not keep them.
class DataDialog : public QDialog {
    Q_OBJECT
public:
    explicit DataDialog(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // A folder shows Browse, which finds a relative path from there; none hides it.
    void setBrowseFolder(const QString& folder);
    QLineEdit* textBox() const { return m_text; }
    QPushButton* browseButton() const { return m_browse; }
    // Sizes and centres the dialog in proportion to a screen of that many pixels.
    void fitToScreen(QSize screenPixels);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_text = nullptr;
    QPushButton* m_browse = nullptr;
    QString m_browseFolder;
    QPushButton* m_done = nullptr;
};

using frmDialog = DataDialog;
