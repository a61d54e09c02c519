#pragma once

#include "MonitorFilterSettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

// "Monitor Filter": which monitored frames the All Traffic views show, by kind of frame, radio
// port and sending station. It does not block the window: receiving goes on while it is open,
// and OK tells the chosen filter.
class MonitorFilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit MonitorFilterDialog(QWidget* parent = nullptr);

    // Shows the filter in use, ready to be changed.
    void showFilter(const MonitorFilterSettings& filter);
    QCheckBox* typeBox(const QString& objectName) const;

signals:
    void filterChosen(const MonitorFilterSettings& filter);

private:
    void fill(const MonitorFilterSettings& filter);
    MonitorFilterSettings chosen() const;

    QCheckBox* m_information = nullptr;
    QCheckBox* m_supervisory = nullptr;
    QCheckBox* m_unnumbered = nullptr;
    QCheckBox* m_sent = nullptr;
    QLineEdit* m_ports = nullptr;
    QLineEdit* m_calls = nullptr;
};
