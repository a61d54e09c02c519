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
    QFont font = w->font();
    font.setPointSizeF(designedPoints);
    w->setFont(font);
    while (w->sizeHint().width() > w->width() && font.pointSizeF() > kMinPoints) {
        font.setPointSizeF(qMax(kMinPoints, float(font.pointSizeF()) - 0.25f));
        w->setFont(font);
    }
}
} // namespace LayoutRules
