// The operating comforts on the real window: typed-line history, own lines, the kept send target,
// time stamps, the send target beside the send line, and Settings > Options.

#include "LineHistory.h"
#include "TestFiles.h"
#include "TextViews.h"
#include "WindowRig.h"

#include <sys/stat.h>

class ComfortsTest : public QObject {
    Q_OBJECT
    struct Run {
        QString view, target, label;
        QByteArray page;
        QList<QByteArray> frames;
        int front = 0;
        bool unseen = false;
        QColor ownColour, afterColour;
    };

    // N0BBB calls and talks, the operator answers, N0CCC calls, N0BBB signs off.
    static Run converse(const OperatingOptions& options) {
        Rig rs;
        rs.h.store.setOperating(options);
        Run r;
        if (!rs.up())
            return r;
        rs.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        rs.e.queue('D', "N0BBB", "hel");
        rs.e.queue('D', "N0BBB", "lo\r\rhow are you?\r");
        rs.receive();
        type(rs.w.sendLine(), "fine, thanks", {Qt::Key_Return});
        rs.h.clock.when = rs.h.clock.when.addSecs(120);
        rs.e.queue('c', "N0CCC", "*** CONNECTED To Station N0CCC\r");
        rs.e.queue('D', "N0BBB", "73\r");
        rs.receive();
        QPlainTextEdit* view = rs.w.textView(TextView::Channel0);
        const auto colourAt = [view](const QString& text) {
            QTextCursor at = view->document()->find(text);
            // No colour of its own: the view's.
            return at.isNull() || !at.charFormat().hasProperty(QTextFormat::ForegroundBrush)
                       ? QColor()
                       : at.charFormat().foreground().color();
        };
        r = {view->toPlainText(),
             rs.w.findChild<QLabel*>("SendTarget")->text(),
             rs.w.findChild<QLabel*>("Label2")->text(),
             readFileBytes("Channel0.htm"),
             {},
             rs.w.currentTab(),
             !rs.w.tabs()->tabIcon(1).isNull(),
             colourAt("> fine"),
             colourAt("73")};
        for (const auto& f : rs.e.sent)
            r.frames << char(f.kind) + f.destination + ' ' + f.data;
        return r;
    }

private slots:
    void initTestCase() { useScratchConfigHome(); }

    // Each option changes only what it is for: page files and frames stay as received and sent.
    void optionsOnAgainstOff() {
        const Run off = converse({});
        QVERIFY(off.view.contains("hello\n\nhow are you?\n73\n") && !off.view.contains("> "));
        QCOMPARE(off.frames.size(), 3); // two welcomes and the line
        QVERIFY(off.front == 1 && off.label == "N0CCC" && off.target == "N0CCC" && !off.unseen);
        const Run own = converse({.showMyLines = true});
        QCOMPARE(own.view, QString(off.view).replace("you?\n", "you?\n> fine, thanks\n"));
        QVERIFY(own.ownColour == TextViews::kOwnText && !own.afterColour.isValid());
        const Run stamped = converse({.timeStamps = true});
        QCOMPARE(stamped.view, QString(off.view)
                                   .replace("*** CONNECTED", "09:18 *** CONNECTED")
                                   .replace("hello", "09:18 hello")
                                   .replace("how", "09:18 how")
                                   .replace("73", "09:20 73"));
        const Run kept = converse({.keepSendTarget = true});
        QCOMPARE(kept.view, off.view);
        QVERIFY(kept.front == 0 && kept.label == "N0BBB" && kept.target == "N0BBB" && kept.unseen);
        for (const Run* on : {&own, &stamped, &kept})
            QVERIFY(on->page == off.page && on->frames == off.frames);
    }

    // The indicator says where a plain line goes on any tab; Label2 stays as it was. A station
    // calling on the tab in front is selected, even with the send target kept.
    void sendTargetFollowsTheStation() {
        Rig rs;
        rs.h.store.setOperating({.keepSendTarget = true});
        QVERIFY(rs.up());
        auto* target = rs.w.findChild<QLabel*>("SendTarget");
        QVERIFY(target->text() == "no station" && target->accessibleName().contains("no station"));
        rs.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        rs.receive();
        press(rs.w.sendLine(), {Qt::CTRL | Qt::Key_PageUp, Qt::CTRL | Qt::Key_PageUp}); // "WX"
        QVERIFY(rs.w.currentTab() == 10 && rs.w.findChild<QLabel*>("Label2")->text() == "NA");
        QCOMPARE(target->text(), "N0BBB");
        press(rs.w.sendLine(), {Qt::ALT | Qt::Key_E}); // a mnemonic clicks after a moment
        QTRY_COMPARE(target->text(), "conference");
        press(rs.w.sendLine(), {Qt::ALT | Qt::Key_E});
        QTRY_COMPARE(target->text(), "N0BBB");
        rs.e.queue('d', "N0BBB", "*** DISCONNECTED From Station N0BBB\r");
        rs.receive();
        QCOMPARE(target->text(), "no station");
        rs.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r"); // back, on a tab behind
        rs.receive();
        QVERIFY(target->text() == "N0BBB" && rs.w.currentTab() == 10);
    }

    // Up and Down walk the lines sent, commands too, and what was typed comes back; they outlive
    // the station. A FIFO planted as History.lst is left alone.
    void historyByUpAndDown() {
        Rig rs;
        QVERIFY(rs.up());
        rs.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        rs.receive();
        QLineEdit* line = rs.w.sendLine();
        type(line, "one", {Qt::Key_Return});
        type(line, ":c n0zzz", {Qt::Key_Return});
        rs.receive(1); // the tick writes them
        QCOMPARE(readFileBytes("History.lst"), "one\n:c n0zzz\n");
        type(line, "two", {Qt::Key_Return});
        type(line, "two", {Qt::Key_Return});
        type(line, "draft");
        QStringList walk;
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down,
                            Qt::Key_Down, Qt::Key_Down, Qt::Key_Down})
            press(line, {key}), walk << line->text();
        QCOMPARE(walk, QString("two|:c n0zzz|one|one|:c n0zzz|two|draft|draft").split('|'));
        rs.station.release();
        QFile file("History.lst"); // and a line by hand that would wrap, were it typed
        QVERIFY(file.open(QIODevice::Append) && file.write(QByteArray(71, 'x') + " \n") > 0);
        file.close();
        Rig again;
        QVERIFY(QDir::setCurrent(rs.h.programDir.path()) && again.up());
        again.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        again.receive();
        press(again.w.sendLine(), {Qt::Key_Up});
        QVERIFY(again.w.sendLine()->text().endsWith("x ") && again.e.sent.size() == 1);
        press(again.w.sendLine(), {Qt::Key_Up, Qt::Key_Up});
        QCOMPARE(again.w.sendLine()->text(), ":c n0zzz");

        FileNotices notices(rs.w);
        LineHistory many(notices);
        many.load(rs.h.programDir.path());
        for (int i = 0; i < 105; ++i)
            many.add(QString::number(i));
        many.add(QString(LineHistory::kMaxLineChars + 1, u'x')); // sent, not kept
        many.saveIfChanged();
        QCOMPARE(readFileBytes("History.lst").count('\n'), 100);
        many.load(rs.h.programDir.path());
        QVERIFY(many.lines().size() == 100 && many.lines().front() == "104");

        Rig planted;
        const QString fifo = planted.h.programDir.filePath("History.lst");
        QVERIFY(::mkfifo(QFile::encodeName(fifo), 0600) == 0 && planted.up());
        type(planted.w.sendLine(), ":c n0zzz", {Qt::Key_Return, Qt::Key_Up});
        planted.receive(1);
        QCOMPARE(planted.w.sendLine()->text(), ":c n0zzz");
        QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo(fifo).exists());
        QCOMPARE(planted.w.findChild<QLabel*>("lblNotice")->text(),
                 "History.lst is not a regular file; left alone");
    }

    // Settings > Options by its keys; OK stores the choice and puts it in force. What the store
    // holds by hand reads back as its default unless it is one of the values.
    void optionsDialogByKeys() {
        Rig rs;
        QVERIFY(rs.up());
        press(&rs.w, {Qt::ALT | Qt::Key_S});
        press(nullptr, {Qt::Key_O});
        auto* dialog = rs.w.findChild<QDialog*>("frmOptions");
        QVERIFY(dialog && (dialog->activateWindow(), qWaitForWindowActive(dialog)));
        for (QWidget* control : dialog->findChildren<QWidget*>())
            if (control->focusPolicy() & Qt::TabFocus)
                QVERIFY2(!QAccessible::queryAccessibleInterface(control)
                              ->text(QAccessible::Name)
                              .isEmpty(),
                         control->metaObject()->className());
        // Each key goes where the dialog's focus is, Tab moving it.
        for (QKeyCombination key : {Qt::Key_Space, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space,
                                    Qt::Key_Tab, Qt::Key_Down, Qt::Key_Return})
            press(dialog->focusWidget(), {key});
        const OperatingOptions chosen{true, false, true, OperatingOptions::NotifyLines};
        QVERIFY(!dialog->isVisible() && rs.h.store.operating() == chosen &&
                rs.h.state.operating == chosen);
        using Case = std::tuple<const char*, const char*, bool, int>; // stored, read
        for (const auto& [flag, notify, on, level] :
             {Case{"1", "0", true, 0}, Case{" 1 ", "2", true, 2}, Case{"2", "3", false, 1},
              Case{"yes", "-1", false, 1}, Case{"", "", false, 1}}) {
            {
                QSettings ini(rs.h.store.fileName(), QSettings::IniFormat);
                ini.setValue("Operating/TimeStamps", flag);
                ini.setValue("Operating/Notifications", notify);
            }
            const OperatingOptions read = SettingsStore().operating();
            QVERIFY(read.timeStamps == on && read.notifications == level);
        }
    }
};

QTEST_MAIN(ComfortsTest)
#include "tst_comforts.moc"
