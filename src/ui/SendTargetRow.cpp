#include "SendTargetRow.h"

#include "LayoutRules.h"

#include <QLabel>

SendTargetRow::SendTargetRow(QWidget* parent, const QFont& sendLineFace)
    : QWidget(parent), m_label(new QLabel(this)) {
    m_label->setObjectName(QStringLiteral("SendTarget"));
    m_label->setToolTip(QStringLiteral("Where a plain line typed now goes"));
    // Dark green in the send line's bold face, so it is not read as one more caption of the
    // design; that face is loaded already, where another would hold its own font file.
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 96, 0));
    m_label->setPalette(palette);
    m_label->setFont(sendLineFace);
    showTarget(QStringLiteral("no station"));
}

void SendTargetRow::showTarget(const QString& target) {
    m_label->setText(target);
    m_label->setAccessibleName(QStringLiteral("Plain lines go to ") + target);
    fit();
}

void SendTargetRow::place(const QRect& pixels, float points) {
    setGeometry(pixels);
    m_label->setGeometry(rect());
    m_points = points;
    fit();
}

void SendTargetRow::fit() {
    LayoutRules::fitTextToWidth(m_label, m_points);
}
