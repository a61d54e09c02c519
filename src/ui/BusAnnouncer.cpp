#include "BusAnnouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {
constexpr auto kNoticeName = "accessibleNotice";

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
QAccessibleInterface* noticeFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QWidget") && object && object->isWidgetType() &&
        object->objectName() == QLatin1String(kNoticeName))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}
#endif
} // namespace

bool BusAnnouncer::listening() const {
    return QAccessible::isActive();
}

void BusAnnouncer::announce(const QString& text) {
    if (!m_window)
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(m_window, text);
    QAccessible::updateAccessibility(&event);
#else
    if (!m_notice) {
        static const bool installed = (QAccessible::installFactory(noticeFactory), true);
        Q_UNUSED(installed);
        // One pixel that paints nothing and takes neither the mouse nor the focus.
        m_notice = new QWidget(m_window);
        m_notice->setObjectName(QLatin1String(kNoticeName));
        m_notice->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_notice->setFocusPolicy(Qt::NoFocus);
        m_notice->setGeometry(0, 0, 1, 1);
    }
    // Hidden and shown again, so the same words said twice are presented twice.
    m_notice->hide();
    m_notice->setAccessibleName(text);
    m_notice->show();
#endif
}
