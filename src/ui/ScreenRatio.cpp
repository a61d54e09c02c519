#include "ScreenRatio.h"

#include "DesignedLayout.h"
#include "LayoutRules.h"

#include <QWidget>

void fitDialogToScreen(QWidget* dialog, QSize designedClientTwips, QSize screenPixels,
                       std::initializer_list<std::pair<QWidget*, QRect>> controls) {
    const QRect window = LayoutRules::centredWindow(designedClientTwips, screenPixels);
    const LayoutRules::Scale s = LayoutRules::screenRatio(QSize(
        LayoutRules::toTwips(screenPixels.width()), LayoutRules::toTwips(screenPixels.height())));
    dialog->setFixedSize(window.size());
    dialog->move(window.topLeft());
    for (auto [widget, twips] : controls) {
        widget->setGeometry(LayoutRules::scaledPixels(twips, s));
        QFont font = widget->font();
        font.setPointSizeF(LayoutRules::scaledFont(DesignedLayout::kControlFont, s));
        widget->setFont(font);
    }
}
