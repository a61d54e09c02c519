#pragma once

#include <QWidget>

class QLabel;

// frmMonitor, "Monitor Info": the raw values of the latest engine poll.
class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    explicit MonitorWindow(QWidget* parent = nullptr);

    void showValues(const QString& result, const QString& from, const QString& data,
                    const QString& length, const QString& kind, const QString& port);
    QLabel* valueLabel(const QString& name) const;
};

using frmMonitor = MonitorWindow;
