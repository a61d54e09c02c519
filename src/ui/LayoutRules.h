#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// How designed geometry meets the real screen. All arithmetic is in twips,
// in single precision, as the windows were designed.
namespace LayoutRules {
constexpr float kMaxFontFactor = 1.5f;

struct Scale {
    float rw = 1;   // horizontal factor
    float rh = 1;   // vertical factor
    float font = 1; // font factor, never above 1.5
};

// The main window: it was given the work area; its controls stretch by the
// ratio of the new client size to the designed one, and fonts by the window
// width against the reference screen.
Scale workArea(QSize designedClientTwips, QSize newClientTwips, int windowWidthTwips);

// The dialogs: everything in proportion to the screen.
Scale screenRatio(QSize screenTwips);

// A designed rectangle (twips) scaled, in pixels.
QRect scaledPixels(const QRect& twips, const Scale& scale);
float scaledFont(float points, const Scale& scale);

// The dialog's window size in pixels and its top-left corner centring it.
QRect centredWindow(QSize designedClientTwips, QSize screenPixels);

// Linux fonts run wider than the ones the window was designed with: a caption that does not fit
// its designed width gets a smaller size of the same font, down to a legible minimum.
void fitTextToWidth(QWidget* w, float designedPoints);

inline int toTwips(int pixels) {
    return pixels * 15;
}
} // namespace LayoutRules
