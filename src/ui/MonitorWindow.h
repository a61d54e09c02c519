#pragma once

#include <QWidget>
#include <array>

class QLabel;

// frmMonitor, "Monitor Info": the raw values of the latest engine poll.
class MonitorWindow : public QWidget {
    Q_OBJECT
public:
    explicit MonitorWindow(QWidget* parent = nullptr);

    void showValues(const QString& result, const QString& from, const QString& data,
                    const QString& length, const QString& kind, const QString& port);
    QLabel* valueLabel(const QString& name) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shows each value within its label, whatever the engine put in it.
    void fitValues();

    std::array<QLabel*, 6> m_values{};
    std::array<QString, 6> m_texts; // cleaned, before eliding to the label's width
};

using frmMonitor = MonitorWindow;
