// The operating comforts on the real window: typed-line history, own lines, the kept send target,
// time stamps, the send target beside the send line, and Settings > Options.

#include "AccessibleEventGate.h"
#include "LineHistory.h"
#include "TestFiles.h"
#include "TextViews.h"
#include "WindowRig.h"

#include <QDialogButtonBox>
#include <QPushButton>

class ComfortsTest : public QObject {
    Q_OBJECT
    struct Run {
        QString view, state;
        QByteArray page;
        QList<QByteArray> frames;
    };

    // N0BBB calls and talks, the operator answers, N0CCC calls, N0BBB signs off.
    static Run converse(const OperatingOptions& options) {
        Rig rs;
        rs.h.store.setOperating(options);
        if (!rs.up())
            return {};
        const QByteArray connected = "*** CONNECTED To Station ";
        rs.e.queue('c', "N0BBB", connected + "N0BBB\r");
        rs.e.queue('D', "N0BBB", "hel");
        rs.arrive('D', "N0BBB", "lo\r\rhow are you?\r");
        type(rs.w.sendLine(), "fine, thanks", {Qt::Key_Return});
        rs.h.clock.when = rs.h.clock.when.addSecs(120);
        rs.e.queue('c', "N0CCC", connected + "N0CCC\r");
        rs.arrive('D', "N0BBB", "73\r");
        QTextDocument* view = rs.w.textView(TextView::Channel0)->document();
        // The tab in front, Label2, the target, tab 1's arrow, the own line's colour, and
        // whether the line after it has a colour of its own.
        Run r{view->toPlainText(),
              QString("%1 %2 %3 %4 %5 %6")
                  .arg(rs.w.currentTab())
                  .arg(rs.w.findChild<QLabel*>("Label2")->text(),
                       rs.w.findChild<QLabel*>("SendTarget")->text())
                  .arg(!rs.w.tabs()->tabIcon(1).isNull())
                  .arg(view->find("> fine").charFormat().foreground().color().name())
                  .arg(view->find("73").charFormat().hasProperty(QTextFormat::ForegroundBrush)),
              readFileBytes("Channel0.htm"),
              {}};
        for (const auto& f : rs.e.sent)
            r.frames << char(f.kind) + f.destination + ' ' + f.data;
        return r;
    }

private slots:
    void initTestCase() { useScratchConfigHome(); }

    // Each option changes only what it is for: page files and frames stay as received and sent.
    void optionsOnAgainstOff() {
        const Run off = converse({});
        QVERIFY(off.view.contains("hello\n\nhow are you?\n73\n") && off.frames.size() == 3);
        QCOMPARE(off.state, "1 N0CCC N0CCC 0 #000000 0"); // no colour: the view's own
        const Run own = converse({.showMyLines = true});
        QCOMPARE(own.view, QString(off.view).replace("you?\n", "you?\n> fine, thanks\n"));
        QCOMPARE(own.state, "1 N0CCC N0CCC 0 " + TextViews::kOwnText.name() + " 0");
        const Run stamped = converse({.timeStamps = true});
        QCOMPARE(stamped.view, QString(off.view)
                                   .replace("*** CONNECTED", "09:18 *** CONNECTED")
                                   .replace("hello", "09:18 hello")
                                   .replace("how", "09:18 how")
                                   .replace("73", "09:20 73"));
        const Run kept = converse({.keepSendTarget = true});
        QVERIFY(kept.view == off.view && kept.state == "0 N0BBB N0BBB 1 #000000 0");
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
        QVERIFY(target->text() == "no station" && target->accessibleName().contains("no station") &&
                target->font().bold());
        rs.arrive('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        press(rs.w.sendLine(), {Qt::CTRL | Qt::Key_PageUp, Qt::CTRL | Qt::Key_PageUp}); // "WX"
        QVERIFY(rs.w.currentTab() == 10 && rs.w.findChild<QLabel*>("Label2")->text() == "NA");
        QCOMPARE(target->text(), "N0BBB");
        press(rs.w.sendLine(), {Qt::ALT | Qt::Key_E}); // a mnemonic clicks after a moment
        QTRY_COMPARE(target->text(), "conference");
        press(rs.w.sendLine(), {Qt::ALT | Qt::Key_E});
        QTRY_COMPARE(target->text(), "N0BBB");
        rs.arrive('d', "N0BBB", "*** DISCONNECTED From Station N0BBB\r");
        QCOMPARE(target->text(), "no station");
        rs.arrive('c', "N0BBB", "*** CONNECTED To Station N0BBB\r"); // back, on a tab behind
        QVERIFY(target->text() == "N0BBB" && rs.w.currentTab() == 10);
    }

    // Up and Down walk the lines sent, commands too, and what was typed comes back; they outlive
    // the station, and one that would wrap, were it typed, comes back whole and unsent.
    void historyByUpAndDown() {
        Rig rs;
        const QByteArray byHand = QByteArray(71, 'x') + ' ';
        QVERIFY(writeFileBytes("History.lst", byHand + '\n') && rs.up());
        rs.arrive('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        QLineEdit* line = rs.w.sendLine();
        type(line, "one", {Qt::Key_Return});
        type(line, ":c n0zzz", {Qt::Key_Return});
        rs.receive(1); // the tick writes them
        QCOMPARE(readFileBytes("History.lst"), byHand + "\none\n:c n0zzz\n");
        type(line, "two", {Qt::Key_Return}), type(line, "two", {Qt::Key_Return});
        type(line, "draft");
        const qsizetype sent = rs.e.sent.size();
        QStringList walk;
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up,
                            Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down})
            press(line, {key}), walk << line->text();
        QCOMPARE(walk, QString("two|:c n0zzz|one|%1|%1|one|:c n0zzz|two|draft|draft")
                           .arg(QString(byHand))
                           .split('|'));
        QCOMPARE(rs.e.sent.size(), sent);

        FileNotices notices(rs.w);
        LineHistory many(notices);
        many.load(rs.h.programDir.path());
        for (int i = 0; i < 105; ++i)
            many.add(QString::number(i));
        many.add(QString(LineHistory::kMaxLineChars + 1, u'x')); // sent, not kept
        many.saveIfChanged();
        QVERIFY(readFileBytes("History.lst").count('\n') == 100 && many.lines().front() == "104");
        // One byte past its bound the file is not read; at the bound it is.
        for (const qint64 size : {LineHistory::kMaxBytes + 1, LineHistory::kMaxBytes}) {
            QVERIFY(writeFileBytes("History.lst", QByteArray(size % 2, 'z') +
                                                      QByteArray("y\n").repeated(size / 2)));
            many.load(rs.h.programDir.path());
            QCOMPARE(many.lines().isEmpty(), size > LineHistory::kMaxBytes);
        }
    }

    // The option dialogs open showing what is in force: Ctrl+M the monitor filter, Settings >
    // Options by its keys, each key going where the focus is, Tab moving it. OK at once hands
    // back the same; OK stores the choice and puts it in force.
    void optionDialogsByKeys() {
        for (bool on : {false, true}) {
            Rig rs;
            const MonitorFilterSettings filter{on, !on, on, !on, {1}, {"N0XX"}};
            rs.h.store.setMonitorFilter(filter), rs.h.store.setOperating({on, !on, on, on ? 2 : 0});
            QVERIFY(rs.up());
            press(rs.w.sendLine(), {Qt::CTRL | Qt::Key_M});
            auto* filterDialog = rs.w.findChild<QDialog*>("frmMonitorFilter");
            QVERIFY(filterDialog && filterDialog->isVisible());
            filterDialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            QVERIFY(rs.h.store.monitorFilter() == filter);
            press(&rs.w, {Qt::ALT | Qt::Key_S});
            press(nullptr, {Qt::Key_O});
            auto* dialog = rs.w.findChild<QDialog*>("frmOptions");
            QVERIFY(dialog && (dialog->activateWindow(), qWaitForWindowActive(dialog)));
            for (QKeyCombination key : {Qt::Key_Space, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space,
                                        Qt::Key_Tab, Qt::Key_Down, Qt::Key_Return})
                press(dialog->focusWidget(), {key});
            const OperatingOptions chosen{!on, !on, !on, on ? 2 : 1}; // a list's foot stays
            QVERIFY(!dialog->isVisible() && rs.h.store.operating() == chosen &&
                    rs.h.state.operating == chosen);
        }
    }

    // What reaches a screen reader (Qt makes no events offscreen: the test hands them to the
    // gate as Qt would): a busy view's appends joined, nothing of what is out of sight, a key's
    // caret move at once, a replaced line's caret after its text.
    void whatReachesTheScreenReader() {
        Rig rs;
        QVERIFY(rs.up());
        rs.arrive('c', "N0BBB", "*** CONNECTED With Station N0BBB\r");
        QPlainTextEdit* channel = rs.w.textView(TextView::Channel0);
        QLineEdit* line = rs.w.sendLine();
        AccessibleEventGate& gate = AccessibleEventGate::instance();
        QStringList out;
        gate.setSink([&](QAccessibleEvent* e) {
            QString said = e->object() == channel ? "view" : e->object() == line ? "line" : "?";
            if (const auto* in = dynamic_cast<QAccessibleTextInsertEvent*>(e))
                said += " +" + in->textInserted() + "@" + QString::number(in->changePosition());
            else if (const auto* moved = dynamic_cast<QAccessibleTextCursorEvent*>(e))
                said += " caret " + QString::number(moved->cursorPosition());
            out << said;
        });
        const auto insert = [&](QObject* o, int at, const char* text) {
            QAccessibleTextInsertEvent e(o, at, QString::fromLatin1(text));
            gate.take(&e);
        };
        const auto caret = [&](QObject* o, int at) {
            QAccessibleTextCursorEvent e(o, at);
            gate.take(&e);
        };
        for (int i = 0; i < 3; ++i) {
            insert(channel, 100 + 2 * i, "a\n"), caret(channel, 102 + 2 * i);
            insert(rs.w.textView(TextView::Conf), 0, "hidden");
            QAccessibleValueChangeEvent scrolled(channel->verticalScrollBar(), i);
            gate.take(&scrolled);
        }
        insert(channel, 0, "b"); // elsewhere: what waited goes first
        QCOMPARE(out, (QStringList{"view +a\na\na\n@100", "view caret 106"}));
        insert(channel, 1, "c");
        channel->setFocus();
        press(channel, {Qt::Key_Home}); // a key sends what waits, then its own move at once
        caret(channel, 0);
        gate.flush();
        QCOMPARE(out.mid(2), (QStringList{"view +bc@0", "view caret 0"}));
        out.clear();
        gate.caretAfterText(line, [&] { caret(line, 0), insert(line, 0, "hi there"); });
        gate.caretUnsaid(line, [&] { caret(line, 2); });
        QCOMPARE(out, (QStringList{"line +hi there@0", "line caret 0"})); // even at the start
        gate.setSink(nullptr);
    }
};

QTEST_MAIN(ComfortsTest)
#include "tst_comforts.moc"
