// Desktop notices of the real window, on the private session bus ctest starts it on, with a
// stand-in for the desktop's notification service.

#include "WindowRig.h"

#include <QtDBus>

using namespace Qt::Literals::StringLiterals;

class FakeDesktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Note {
        uint id;
        QString summary, body;
        QStringList actions;
    };
    bool start() {
        return bus.registerObject(u"/org/freedesktop/Notifications"_s, this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(u"org.freedesktop.Notifications"_s);
    }
    void click(uint id) {
        bus.send(QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                            u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s)
                 << id << u"default"_s);
    }
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"desk"_s);
    QList<Note> notes;
public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int) {
        notes.append({replaces ? replaces : uint(notes.size() + 1), summary, body, actions});
        return notes.back().id;
    }
};

class NotificationsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        useScratchConfigHome();
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs the private session bus");
    }

    void levelIsStored() {
        for (auto [stored, level] : {std::pair{"0", 0}, {"2", 2}, {" 1 ", 1}, {"3", 1}, {"x", 1}}) {
            QSettings(QSettings::IniFormat, QSettings::UserScope, u"Wexlo_Software"_s)
                .setValue("Operating/Notifications", stored);
            QCOMPARE(SettingsStore().notifications(), level);
        }
    }

    // Connects, and lines at level 2, reach the desktop only while the window is behind, the
    // received text made harmless; a click brings the station's channel to the front. Without
    // the service nothing shows and nothing is held up.
    void activityReachesTheDesktopWhileBehind() {
        Rig r;
        QVERIFY(r.up());
        r.w.action("mnuMoveToFront")->trigger(); // the window stays behind when data comes
        r.w.setNotificationLevel(1);
        QWidget elsewhere;
        const auto lookAway = [&] {
            elsewhere.show(), elsewhere.activateWindow();
            return qWaitForWindowActive(&elsewhere);
        };
        QVERIFY(lookAway());
        r.e.queue('c', "N0CCC", "*** CONNECTED To Station N0CCC\r"), r.receive();
        QDBusConnection::sessionBus().interface()->serviceOwner(u"x.y"_s); // the bus has answered
        QVERIFY(!QApplication::activeModalWidget());
        FakeDesktop desk;
        QVERIFY(desk.start());
        r.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r"), r.receive();
        r.e.queue('D', "N0BBB", "level 1 keeps lines quiet\r");
        r.e.queue('c', "N0DDD", "*** CONNECTED To Station N0DDD\r"), r.receive();
        QTRY_COMPARE(desk.notes.size(), 2);
        QCOMPARE(desk.notes[0].summary, u"N0BBB connected"_s);
        QCOMPARE(desk.notes[1].summary, u"N0DDD connected"_s);
        QVERIFY(desk.notes[0].actions.contains(u"default"_s));

        r.w.setNotificationLevel(2);
        r.e.queue('I', "N0BBB", " 1:Fm N0BBB To N0AAA <I>\rheard, not sent to us\r"), r.receive();
        r.w.activateWindow();
        QVERIFY(qWaitForWindowActive(&r.w));
        r.e.queue('D', "N0BBB", "seen in the window\r"), r.receive();
        QVERIFY(lookAway());
        r.e.queue('D', "N0BBB", "<b>hi</b> & \x07\x1b[2J\r\nbye " + QByteArray(400, 'z')),
            r.receive();
        QTRY_COMPARE(desk.notes.size(), 3);
        const FakeDesktop::Note line = desk.notes[2];
        QCOMPARE(line.summary, u"N0BBB"_s);
        QVERIFY2(line.body.startsWith("&lt;b&gt;hi&lt;/b&gt; &amp; [2J bye zzz"_L1),
                 qPrintable(line.body));
        QVERIFY(line.body.size() < 260 && line.body.endsWith(QChar(0x2026)));
        QCOMPARE(line.id, desk.notes[0].id); // the station's notice is replaced, not heaped up

        QCOMPARE(r.w.tabs()->currentIndex(), 2);
        desk.click(line.id);
        QTRY_VERIFY(r.w.isActiveWindow() && r.w.tabs()->currentIndex() == 1);
        QCOMPARE(r.h.state.selectedCall, u"N0BBB"_s);
    }
};

QTEST_MAIN(NotificationsTest)
#include "tst_notifications.moc"
