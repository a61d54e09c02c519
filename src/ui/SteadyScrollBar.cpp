#include "SteadyScrollBar.h"

#include <QPainter>
#include <QStyleOptionSlider>

SteadyScrollBar::Look SteadyScrollBar::lookOf(const QStyleOptionSlider& option) const {
    Look look;
    const QStyle::SubControl parts[] = {QStyle::SC_ScrollBarSlider,  QStyle::SC_ScrollBarGroove,
                                        QStyle::SC_ScrollBarAddLine, QStyle::SC_ScrollBarSubLine,
                                        QStyle::SC_ScrollBarAddPage, QStyle::SC_ScrollBarSubPage};
    for (std::size_t i = 0; i < look.parts.size(); ++i)
        look.parts[i] = style()->subControlRect(QStyle::CC_ScrollBar, &option, parts[i], this);
    look.rect = option.rect;
    look.state = int(option.state);
    look.palette = option.palette.cacheKey();
    look.colorGroup = int(option.palette.currentColorGroup());
    look.direction = int(option.direction);
    look.ends = {option.sliderValue == option.minimum, option.sliderValue == option.maximum,
                 option.minimum == option.maximum};
    look.style = style();
    look.pixelRatio = devicePixelRatioF();
    return look;
}

void SteadyScrollBar::paintEvent(QPaintEvent* event) {
    // Which part is pressed or hovered is the base class's own: under the pointer, or dragged
    // from there, it draws; and so for a style that fades its bars in and out.
    if (underMouse() || isSliderDown() || style()->styleHint(QStyle::SH_ScrollBar_Transient)) {
        m_drawnLook = {};
        QScrollBar::paintEvent(event);
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    option.activeSubControls = QStyle::SC_None;
    const Look look = lookOf(option);
    if (look != m_drawnLook) {
        m_drawing = QPixmap(size() * look.pixelRatio);
        m_drawing.setDevicePixelRatio(look.pixelRatio);
        m_drawing.fill(Qt::transparent);
        QPainter onDrawing(&m_drawing);
        onDrawing.setPen(palette().color(foregroundRole()));
        onDrawing.setFont(font());
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &onDrawing, this);
        m_drawnLook = look;
    }
    QPainter(this).drawPixmap(0, 0, m_drawing);
}
