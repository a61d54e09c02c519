#include "MonitorWindow.h"

#include "DesignedLayout.h"

#include <QGridLayout>
#include <QLabel>

namespace {
struct Row {
    const char* caption;
    const char* name;
    const char* start;
};
constexpr Row kRows[] = {
    {"Return", "lblReturn", "Label2"},       {"From", "lblFrom", "Label3"},
    {"Data Kind", "lblDataKind", "Label4"},  {"Data Len", "lblDataLen", "Label5"},
    {"RadioPort", "lblRadioPort", "Label6"}, {"Data", "lblData", "Label7"},
};
} // namespace

MonitorWindow::MonitorWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("Monitor Info"));
    // It keeps its designed size whatever the screen.
    resize(DesignedLayout::kMonitorWidth / DesignedLayout::kTwipsPerPixel,
           DesignedLayout::kMonitorHeight / DesignedLayout::kTwipsPerPixel);
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (const Row& r : kRows) {
        auto* caption = new QLabel(QString::fromLatin1(r.caption), this);
        grid->addWidget(caption, row, 0, Qt::AlignTop);
        auto* value = new QLabel(QString::fromLatin1(r.start), this);
        value->setObjectName(QString::fromLatin1(r.name));
        value->setAccessibleName(caption->text());
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (row == 5) {
            value->setWordWrap(true);
            value->setMinimumHeight(3 * value->fontMetrics().height());
            value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setRowStretch(5, 1);
}

QLabel* MonitorWindow::valueLabel(const QString& name) const {
    return findChild<QLabel*>(name);
}

void MonitorWindow::showValues(const QString& result, const QString& from, const QString& data,
                               const QString& length, const QString& kind, const QString& port) {
    // A whole frame would make the window as tall as the data: show its start.
    constexpr int kShownData = 4000;
    valueLabel(QStringLiteral("lblFrom"))->setText(from);
    valueLabel(QStringLiteral("lblReturn"))->setText(result);
    valueLabel(QStringLiteral("lblData"))->setText(data.left(kShownData));
    valueLabel(QStringLiteral("lblDataLen"))->setText(length);
    valueLabel(QStringLiteral("lblDataKind"))->setText(kind);
    valueLabel(QStringLiteral("lblRadioPort"))->setText(port);
}
