// Desktop notices of the real window, on the private session bus ctest gives it, with a stand-in
// for the desktop's notification service on a bus connection of its own.

#include "DesktopNotifier.h"
#include "WindowRig.h"

#include <QtDBus>

using namespace Qt::Literals::StringLiterals;
const QString kPath = u"/org/freedesktop/Notifications"_s;
const QString kName = u"org.freedesktop.Notifications"_s;

class FakeDesktop : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList notes; // summary: body
    QList<uint> ids;
    bool clickable = true;
public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int) {
        notes.append(summary + u": "_s + body);
        clickable = clickable && actions.contains(u"default"_s);
        return ids.append(replaces ? replaces : uint(ids.size() + 1)), ids.back();
    }
};

class NotificationsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    // Connects, and lines at level 2, reach the desktop only while the window is behind, the
    // received text made harmless; a click brings the station's channel to the front. Without
    // the service nothing shows and nothing is held up.
    void activityReachesTheDesktopWhileBehind() {
        Rig r;
        QVERIFY(r.up());
        QVERIFY(r.h.state.moveToFront); // data raises the window, and leaves it behind the keyboard
        QWidget elsewhere;
        const auto lookAway = [&] {
            return elsewhere.show(), elsewhere.activateWindow(), qWaitForWindowActive(&elsewhere);
        };
        QVERIFY(lookAway());
        r.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r"), r.receive();
        QDBusConnection::sessionBus().interface()->serviceOwner(kName); // the notice met no one
        QVERIFY(!QApplication::activeModalWidget());
        FakeDesktop desk;
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "desk");
        QVERIFY(bus.registerObject(kPath, &desk, QDBusConnection::ExportAllSlots) &&
                bus.registerService(kName));
        r.e.queue('D', "N0BBB", "the default keeps lines quiet\r");
        r.e.queue('c', "N0DDD", "*** CONNECTED To Station N0DDD\r"), r.receive();
        QTRY_COMPARE(desk.notes, QStringList{"N0DDD connected: Channel 2"});
        QVERIFY(desk.clickable);

        r.station.onOperatingChosen({.notifications = OperatingOptions::NotifyLines});
        r.e.queue('I', "N0BBB", " 1:Fm N0BBB To N0AAA <I>\rheard, not sent to us\r"), r.receive();
        QVERIFY((r.w.activateWindow(), qWaitForWindowActive(&r.w)));
        r.e.queue('D', "N0BBB", "seen in the window\r"), r.receive();
        QVERIFY(lookAway());
        r.e.queue('D', "N0DDD", "<b>hi</b> & \x07\x1b[2J\r\nbye " + QByteArray(400, 'z'));
        r.e.queue('D', "N0BBB", "over\r"), r.receive();
        QTRY_COMPARE(desk.notes.size(), 3);
        const QString& line = desk.notes[1];
        QVERIFY(line.startsWith("N0DDD: &lt;b&gt;hi&lt;/b&gt; &amp; [2J bye zzz"_L1));
        QCOMPARE(line.size(), 7 + DesktopNotifier::kMaxBodyChars + 16); // cut, then escaped
        QVERIFY(line.endsWith(QChar(0x2026)) && desk.notes[2] == "N0BBB: over"_L1);
        QCOMPARE(desk.ids[1], desk.ids[0]); // the station's notice is replaced, not heaped up

        const auto click = [&](uint id) {
            bus.send(QDBusMessage::createSignal(kPath, kName, u"ActionInvoked"_s)
                     << id << "default");
        };
        DesktopNotifier direct; // a channel that is none gets no notice
        const QString full(DesktopNotifier::kMaxBodyChars, u'y'); // fits whole: no ellipsis
        for (int channel : {-1, ChannelTable::kChannels, 6})
            direct.notify(channel, u"to %1"_s.arg(channel), full);
        QTRY_COMPARE(desk.notes.size(), 4);
        QCOMPARE(desk.notes.last(), "to 6: "_L1 + full);
        click(999); // another program's notice
        click(desk.ids[2]);
        QTRY_VERIFY(r.w.isActiveWindow() && r.w.tabs()->currentIndex() == 0);
        QCOMPARE(r.h.state.selectedCall, u"N0BBB"_s);
    }
};

QTEST_MAIN(NotificationsTest)
#include "tst_notifications.moc"
