#include "LayoutRules.h"

#include "DesignedLayout.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace LayoutRules {
namespace {
float capped(float f) {
    return std::min(f, kMaxFontFactor);
}
} // namespace

Scale workArea(QSize designedClientTwips, QSize newClientTwips, int windowWidthTwips) {
    Scale s;
    s.rw = float(newClientTwips.width()) / float(designedClientTwips.width());
    s.rh = float(newClientTwips.height()) / float(designedClientTwips.height());
    s.font = capped(float(windowWidthTwips) / float(DesignedLayout::kScreenWidth));
    return s;
}

Scale screenRatio(QSize screenTwips) {
    Scale s;
    s.rw = float(screenTwips.width()) / float(DesignedLayout::kScreenWidth);
    s.rh = float(screenTwips.height()) / float(DesignedLayout::kScreenHeight);
    s.font = capped(s.rw);
    return s;
}

QRect scaledPixels(const QRect& t, const Scale& s) {
    const float px = float(DesignedLayout::kTwipsPerPixel);
    return QRect(int(std::lround(float(t.left()) * s.rw / px)),
                 int(std::lround(float(t.top()) * s.rh / px)),
                 int(std::lround(float(t.width()) * s.rw / px)),
                 int(std::lround(float(t.height()) * s.rh / px)));
}

float scaledFont(float points, const Scale& s) {
    return points * s.font;
}

QRect centredWindow(QSize designedClientTwips, QSize screenPixels) {
    const Scale s =
        screenRatio(QSize(toTwips(screenPixels.width()), toTwips(screenPixels.height())));
    const QRect size = scaledPixels(QRect(QPoint(0, 0), designedClientTwips), s);
    return QRect((screenPixels.width() - size.width()) / 2,
                 (screenPixels.height() - size.height()) / 2, size.width(), size.height());
}

void fitTextToWidth(QWidget* w, float designedPoints) {
    constexpr float kMinPoints = 6.0f;
    constexpr float kStep = 0.25f;
    QFont font = w->font();
    const auto setPoints = [&](float points) {
        font.setPointSizeF(points);
        w->setFont(font);
    };
    const auto pointsAt = [&](int stepsDown) {
        return std::max(kMinPoints, designedPoints - float(stepsDown) * kStep);
    };
    const auto fits = [&](int stepsDown) {
        setPoints(pointsAt(stepsDown));
        return w->sizeHint().width() <= w->width();
    };
    if (designedPoints <= kMinPoints || fits(0))
        return;
    // Every size tried leaves a font engine in Qt's cache: halve the quarter points between
    // the designed size and the smallest rather than walking down them one by one.
    int tooWide = 0;
    int smallest = int(std::ceil((designedPoints - kMinPoints) / kStep));
    while (smallest - tooWide > 1) {
        const int middle = (tooWide + smallest) / 2;
        (fits(middle) ? smallest : tooWide) = middle;
    }
    setPoints(pointsAt(smallest));
}
} // namespace LayoutRules
