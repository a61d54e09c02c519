#pragma once

#include "OperatingOptions.h"

#include <QDialog>

class QCheckBox;
class QComboBox;

// Settings > Options: the operating comforts on a page of their own. Like the monitor filter it
// does not block the window; OK tells what was chosen.
class OperatingDialog : public QDialog {
    Q_OBJECT
public:
    explicit OperatingDialog(QWidget* parent = nullptr);

    // Shows the options in force, ready to be changed.
    void showOptions(const OperatingOptions& options);

signals:
    void optionsChosen(const OperatingOptions& options);

private:
    OperatingOptions chosen() const;

    QCheckBox* m_showMyLines = nullptr;
    QCheckBox* m_keepSendTarget = nullptr;
    QCheckBox* m_timeStamps = nullptr;
    QComboBox* m_notifications = nullptr;
};
