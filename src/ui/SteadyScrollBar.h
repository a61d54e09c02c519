#pragma once

#include <QPixmap>
#include <QScrollBar>

#include <array>

// A scroll bar that draws itself once for each look and repeats that drawing while nothing it
// shows has moved: a view fed many times a second at its end would otherwise have the style draw
// the same bar, gradients and all, after every helping.
class SteadyScrollBar : public QScrollBar {
public:
    explicit SteadyScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr)
        : QScrollBar(orientation, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What a bar neither pressed nor hovered shows: where its parts lie on screen and whether it
    // stands at an end, not the values that put them there, which change with every line added.
    struct Look {
        std::array<QRect, 6> parts;
        QRect rect;
        int state = 0;
        qint64 palette = 0;
        int colorGroup = 0;
        int direction = 0;
        std::array<bool, 3> ends{};
        const QStyle* style = nullptr;
        qreal pixelRatio = 0;
        bool operator==(const Look&) const = default;
    };
    Look lookOf(const QStyleOptionSlider& option) const;

    Look m_drawnLook;
    QPixmap m_drawing;
};
