#pragma once

#include <QPixmap>
#include <QScrollBar>
#include <QStyleOptionSlider>

#include <array>

// A scroll bar that draws itself once for each look and repeats that drawing while nothing it
// shows has moved: a view fed many times a second at its end would otherwise have the style draw
// the same bar, gradients and all, after every helping. It keeps its last two drawings, for a
// view whose caret comes to rest at its end and just short of it by turns.
class SteadyScrollBar : public QScrollBar {
public:
    explicit SteadyScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Between these the range and value may move many times, as a view takes a helping and its
    // caret is placed: the bar is painted once at the end, and only if its parts moved.
    void holdPaint() { ++m_holds; }
    void releasePaint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;
    void changeEvent(QEvent* event) override;

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
    QStyleOptionSlider restingOption() const;
    bool drawnByStyle() const;
    bool showsAsDrawn() const;
    void fillUnlessSeeThrough();

    struct Drawing {
        Look look;
        QPixmap pixmap;
    };
    std::array<Drawing, 2> m_drawings; // the one shown last first
    int m_holds = 0;
    bool m_movedWhileHeld = false;
};
