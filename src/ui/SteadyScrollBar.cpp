#include "SteadyScrollBar.h"

#include <QEvent>
#include <QPainter>
#include <utility>

SteadyScrollBar::SteadyScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    fillUnlessSeeThrough();
}

// On a background of its own the bar spares the widgets beneath it a paint each time it paints;
// a style that fades its bars in and out over the view draws them see-through.
void SteadyScrollBar::fillUnlessSeeThrough() {
    setAutoFillBackground(!style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this));
}

void SteadyScrollBar::changeEvent(QEvent* event) {
    if (event->type() == QEvent::StyleChange)
        fillUnlessSeeThrough();
    QScrollBar::changeEvent(event);
}

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

QStyleOptionSlider SteadyScrollBar::restingOption() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    option.activeSubControls = QStyle::SC_None;
    return option;
}

// Which part is pressed or hovered is the base class's own: under the pointer, or dragged from
// there, it draws; and so for a style that fades its bars in and out.
bool SteadyScrollBar::drawnByStyle() const {
    return underMouse() || isSliderDown() || style()->styleHint(QStyle::SH_ScrollBar_Transient);
}

bool SteadyScrollBar::showsAsDrawn() const {
    return !drawnByStyle() && lookOf(restingOption()) == m_drawings[0].look;
}

// A bar whose parts stay where they were drawn is not painted again, nor what lies beneath it.
void SteadyScrollBar::sliderChange(SliderChange change) {
    if (m_holds > 0)
        m_movedWhileHeld = true;
    else if (!showsAsDrawn())
        QScrollBar::sliderChange(change);
}

void SteadyScrollBar::releasePaint() {
    if (m_holds == 0 || --m_holds > 0 || !std::exchange(m_movedWhileHeld, false))
        return;
    if (!showsAsDrawn())
        update();
}

void SteadyScrollBar::paintEvent(QPaintEvent* event) {
    if (drawnByStyle()) {
        QScrollBar::paintEvent(event);
        return;
    }
    const QStyleOptionSlider option = restingOption();
    const Look look = lookOf(option);
    if (look != m_drawings[0].look) { // an empty drawing's look has no style
        std::swap(m_drawings[0], m_drawings[1]);
        if (look != m_drawings[0].look) {
            QPixmap pixmap(size() * look.pixelRatio);
            pixmap.setDevicePixelRatio(look.pixelRatio);
            pixmap.fill(Qt::transparent);
            QPainter onDrawing(&pixmap);
            onDrawing.setPen(palette().color(foregroundRole()));
            onDrawing.setFont(font());
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &onDrawing, this);
            m_drawings[0] = {look, std::move(pixmap)};
        }
    }
    QPainter(this).drawPixmap(0, 0, m_drawings[0].pixmap);
}
