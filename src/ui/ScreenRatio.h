#pragma once

#include <QRect>
#include <QSize>
#include <initializer_list>
#include <utility>

class QWidget;

// Sizes a dialog in proportion to a screen of that many pixels, centres it,
// and places and scales its controls from their designed twips.
void fitDialogToScreen(QWidget* dialog, QSize designedClientTwips, QSize screenPixels,
                       std::initializer_list<std::pair<QWidget*, QRect>> controls);
