#pragma once

#include <QProxyStyle>

class QAction;
class QMenuBar;

// A check item placed on the menu bar itself, where Qt shows no check mark. Its mark travels as
// the action's icon; the bar's own style would draw that icon instead of the caption, so this
// one draws the mark and then the caption beside it.
class MenuBarChecks : public QProxyStyle {
public:
    // Gives the bar this style (owned by the bar) and keeps the action's mark with its state.
    static void showMark(QMenuBar* bar, QAction* action);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override;

private:
    int gap(const QStyleOption* option) const;
};
