#include "MenuBarChecks.h"

#include <QAccessibleObject>
#include <QAction>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOption>

namespace {

// The style's own check box, so the mark looks like every other one on the desktop.
QIcon checkMark(const QWidget* bar, bool checked) {
    const int extent = bar->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, bar);
    const qreal ratio = bar->devicePixelRatioF();
    QPixmap pixmap(QSize(extent, extent) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionButton box;
    box.initFrom(bar);
    box.rect = QRect(0, 0, extent, extent);
    box.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    bar->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, bar);
    return QIcon(pixmap);
}

// Qt reads a menu bar's items as plain menu items: a screen reader would not learn that this one
// is a check item, nor whether it is on.
class BarCheckAccessible : public QAccessibleObject, public QAccessibleActionInterface {
public:
    BarCheckAccessible(QMenuBar* bar, QAction* action) : QAccessibleObject(action), m_bar(bar) {}

    QAction* action() const { return static_cast<QAction*>(object()); }
    bool isValid() const override { return QAccessibleObject::isValid() && m_bar; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_bar);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return QString(action()->text()).remove(QLatin1Char('&'));
        if (t == QAccessible::Accelerator)
            return QKeySequence::mnemonic(action()->text()).toString(QKeySequence::NativeText);
        return {};
    }
    // A check box: what an AT-SPI reader is told is checkable, where Qt passes no such state.
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.checkable = true;
        s.checked = action()->isChecked();
        s.invisible = !m_bar->isVisible() || !action()->isVisible();
        s.disabled = !action()->isEnabled();
        s.focused = m_bar->activeAction() == action();
        return s;
    }
    QRect rect() const override {
        const QRect r = m_bar->actionGeometry(action());
        return {m_bar->mapToGlobal(r.topLeft()), r.size()};
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override {
        if (name == toggleAction() || name == pressAction())
            action()->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QMenuBar> m_bar;
};

QAccessibleInterface* barCheckFactory(const QString& className, QObject* object) {
    auto* action = qobject_cast<QAction*>(object);
    if (className != u"QAction" || !action || !action->isCheckable())
        return nullptr;
    for (QObject* user : action->associatedObjects())
        if (auto* bar = qobject_cast<QMenuBar*>(user))
            return new BarCheckAccessible(bar, action);
    return nullptr;
}

} // namespace

void MenuBarChecks::showMark(QMenuBar* bar, QAction* action) {
    QAccessible::installFactory(barCheckFactory);
    if (!dynamic_cast<MenuBarChecks*>(bar->style())) {
        auto* style = new MenuBarChecks;
        style->setParent(bar);
        bar->setStyle(style);
    }
    const auto mark = [bar, action] { action->setIcon(checkMark(bar, action->isChecked())); };
    QObject::connect(action, &QAction::toggled, bar, [mark, action] {
        mark();
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(action, changed);
        QAccessible::updateAccessibility(&event);
    });
    mark();
}

int MenuBarChecks::gap(const QStyleOption* option) const {
    return option->fontMetrics.horizontalAdvance(QLatin1Char(' '));
}

void MenuBarChecks::drawControl(ControlElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuBarItem || !item || item->icon.isNull())
        return QProxyStyle::drawControl(element, option, painter, widget);
    QStyleOptionMenuItem panel = *item; // the item's background and highlight, nothing on it
    panel.icon = QIcon();
    panel.text.clear();
    QProxyStyle::drawControl(element, &panel, painter, widget);

    const int extent = pixelMetric(PM_SmallIconSize, option, widget);
    const int textWidth = item->fontMetrics.size(Qt::TextShowMnemonic, item->text).width();
    QRect content(0, 0, extent + gap(option) + textWidth, item->rect.height());
    content.moveCenter(item->rect.center());
    const bool enabled = item->state & State_Enabled;
    item->icon.paint(painter, QRect(content.left(), content.top(), extent, content.height()),
                     Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    int flags = Qt::AlignRight | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    if (!styleHint(SH_UnderlineShortcut, option, widget))
        flags |= Qt::TextHideMnemonic;
    const bool pressed = (item->state & State_Selected) && (item->state & State_Sunken);
    drawItemText(painter, content, flags, item->palette, enabled, item->text,
                 pressed ? QPalette::HighlightedText : QPalette::ButtonText);
}

QSize MenuBarChecks::sizeFromContents(ContentsType type, const QStyleOption* option,
                                      const QSize& contents, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuBarItem || !item || item->icon.isNull())
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    // The bar measured the icon alone; the caption goes beside it.
    const QSize text = item->fontMetrics.size(Qt::TextShowMnemonic, item->text);
    const QSize both(contents.width() + gap(option) + text.width(),
                     qMax(contents.height(), text.height()));
    return QProxyStyle::sizeFromContents(type, option, both, widget);
}
