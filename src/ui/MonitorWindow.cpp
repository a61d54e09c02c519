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
constexpr int kDataRow = 5;
constexpr int kDataLines = 3;
// More than three lines of the widest window can show; the rest is never laid out.
constexpr int kShownData = 1000;

// The fields come padded with NULs and may hold any byte: NULs show as nothing, other control
// characters as blanks, so nothing draws as a box or breaks the line.
QString cleaned(const QString& value, qsizetype max) {
    QString out;
    out.reserve(qMin(value.size(), max));
    for (QChar c : value) {
        if (out.size() == max)
            break;
        if (c.unicode() == 0)
            continue;
        out += c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(u' ') : c;
    }
    return out;
}
} // namespace

MonitorWindow::MonitorWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("frmMonitor"));
    setWindowTitle(QStringLiteral("Monitor Info"));
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
        // What a value holds never decides the window's width.
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        if (row == kDataRow) {
            value->setWordWrap(true);
            value->setFixedHeight(kDataLines * value->fontMetrics().lineSpacing());
            value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        grid->addWidget(value, row, 1);
        m_values[row] = value;
        m_texts[row] = value->text();
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(kDataRow, 1);
    // It keeps its designed size whatever the screen and whatever it shows.
    resize(DesignedLayout::kMonitorWidth / DesignedLayout::kTwipsPerPixel,
           DesignedLayout::kMonitorHeight / DesignedLayout::kTwipsPerPixel);
}

QLabel* MonitorWindow::valueLabel(const QString& name) const {
    return findChild<QLabel*>(name);
}

void MonitorWindow::showValues(const QString& result, const QString& from, const QString& data,
                               const QString& length, const QString& kind, const QString& port) {
    // In the rows' order: Return, From, Data Kind, Data Len, RadioPort, Data.
    const QString* values[] = {&result, &from, &kind, &length, &port, &data};
    for (int row = 0; row < int(m_texts.size()); ++row) {
        m_texts[row] = cleaned(*values[row], kShownData);
        m_values[row]->setAccessibleDescription(m_texts[row]);
    }
    fitValues();
}

void MonitorWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitValues();
}

void MonitorWindow::fitValues() {
    for (int row = 0; row < int(m_values.size()); ++row) {
        QLabel* label = m_values[row];
        const int width = qMax(1, label->contentsRect().width());
        // Word wrapping wastes part of each line: ask a little less than the lines hold.
        const int room = row == kDataRow ? width * kDataLines * 4 / 5 : width;
        label->setText(label->fontMetrics().elidedText(m_texts[row], Qt::ElideRight, room));
    }
}
