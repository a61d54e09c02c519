#include "BusAnnouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTimer>
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
    if (m_waiting.isEmpty())
        QTimer::singleShot(0, m_window, [this] { present(); });
    m_waiting.append(text);
}

void BusAnnouncer::present() {
    const QString text = m_waiting.join(u'\n');
    m_waiting.clear();
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(m_window, text);
    QAccessible::updateAccessibility(&event);
#else
    // A reader busy elsewhere looks at a notification's name only when it comes to it: each of
    // the last few announcements keeps an object of its own, so none is read in another's words.
    QPointer<QWidget>& notice = m_notices[m_next];
    m_next = (m_next + 1) % kNotices;
    if (!notice) {
        static const bool installed = (QAccessible::installFactory(noticeFactory), true);
        Q_UNUSED(installed);
        // One pixel that paints nothing and takes neither the mouse nor the focus.
        notice = new QWidget(m_window);
        notice->setObjectName(QLatin1String(kNoticeName));
        notice->setAttribute(Qt::WA_TransparentForMouseEvents);
        notice->setFocusPolicy(Qt::NoFocus);
        notice->setGeometry(0, 0, 1, 1);
    }
    // Hidden and shown again, so the same words said twice are presented twice.
    notice->hide();
    notice->setAccessibleName(text);
    notice->show();
#endif
}
