// The real main window, offscreen, wired to a station over an in-process engine.

#include "BoundedView.h"
#include "FindBar.h"
#include "MainWindow.h"
#include "QtPlatform.h"
#include "StationHarness.h"
#include "StationWiring.h"
#include "TestFiles.h"
#include "TextViews.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>

namespace {
// Closes the next message box that opens and keeps its text.
struct MessageBoxCatcher {
    QStringList texts;
    QStringList titles;
    void arm() {
        QTimer::singleShot(20, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                arm();
                return;
            }
            texts << box->text();
            titles << box->windowTitle();
            box->accept();
        });
    }
};
// Runs `act` on the next modal dialog once it is shown and active.
template <typename Act> void onNextModal(Act act) {
    QTimer::singleShot(20, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            onNextModal(act);
            return;
        }
        modal->activateWindow();
        if (QTest::qWaitForWindowActive(modal))
            act(modal);
    });
}

// The real window and the real dialogs, wired to a station over the in-process engine.
struct RealDialogStation {
    RealDialogStation() {
        prompts.setParentWidget(&w);
        h.store.setCallSign(QStringLiteral("N0AAA"));
        connectWindowToStation(w, station);
        station.startUp();
    }
    StationHarness h;
    MainWindow w;
    QtPrompts prompts;
    Station station{
        StationContext{h.state, w, h.engine, prompts, h.beeper, h.clock, h.timer, h.store}};
};

// The real window wired to a station over the in-process fakes.
struct WindowedStation {
    WindowedStation() { connectWindowToStation(w, station); }
    StationHarness h;
    MainWindow w;
    Station station{
        StationContext{h.state, w, h.engine, h.prompts, h.beeper, h.clock, h.timer, h.store}};
};
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void windowHasItsControlsAndMenus() {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral(" Wexlo's Packet Monitor BETA 0.4.9"));
        const QStringList captions{"Open", "Open", "Open",    "Open", "Open", "Open",
                                   "Open", "Conf", "All Trf", "DX",   "WX",   "Data"};
        QCOMPARE(w.tabs()->count(), 12);
        for (int t = 0; t < 12; ++t)
            QCOMPARE(w.tabs()->tabText(t), captions[t]);
        QVERIFY(w.retryButton()->isHidden());
        QCOMPARE(w.retryButton()->text(),
                 QStringLiteral("Try connecting to AGW Packet Engine again."));
        QVERIFY(w.findChild<QCheckBox*>(QStringLiteral("chkConf")));
        QVERIFY(w.findChild<QCheckBox*>(QStringLiteral("chkBrowserDisplay")));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Open"));
        for (const char* name :
             {"mnuSendFile", "mnuExit", "mnuCallsign", "mnuPort", "mnuEngineAddress",
              "mnuClearHTMLData", "mnuDisplayBrowseronStart", "mnuBeaconOn", "mnuChangeBeaconText",
              "mnuWeatherDataOn", "mnuWeatherDataPath", "mnuPreviousConnections", "mnuMoveToFront"})
            QVERIFY2(w.action(QString::fromLatin1(name)), name);
        QVERIFY(w.action(QStringLiteral("mnuBeaconOn"))->isChecked());
        QVERIFY(w.action(QStringLiteral("mnuMoveToFront"))->isChecked());
        QVERIFY(!w.action(QStringLiteral("mnuWeatherDataOn"))->isChecked());
    }

    void noEngineShowsTheFailureMessageAndTheButton() {
        StationHarness h;
        MainWindow w;
        QtPrompts prompts;
        prompts.setParentWidget(&w);
        h.store.setCallSign(QStringLiteral("N0AAA"));
        h.engine.defaultStartResult = 0;
        Station station(
            StationContext{h.state, w, h.engine, prompts, h.beeper, h.clock, h.timer, h.store});
        connectWindowToStation(w, station);
        MessageBoxCatcher catcher;
        catcher.arm();
        station.startUp();

        QVERIFY(w.isVisible());
        QCOMPARE(catcher.texts,
                 QStringList{QStringLiteral("Cannot connect to AGW Packet Engine.  Please start "
                                            "the AGW packet engine and try connecting again.")});
        QVERIFY(w.isRetryButtonVisible());
        QVERIFY(!h.timer.active);
    }

    // Messages raised by what stations send never hold up receiving: they open without waiting,
    // one per station and page, and only a few at a time.
    void airMessagesNeitherBlockNorPileUp() {
        RealDialogStation rs;
        StationHarness& h = rs.h;
        Station& station = rs.station;
        h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        for (int i = 0; i < 20; ++i)
            h.engine.queue('D', "N0BBB", "<PRHindex>\r");
        h.engine.queue('D', "N0BBB", "<PRHother>\r");
        auto receive = [&] {
            while (!h.engine.incoming.empty())
                station.tick();
        };
        receive();
        auto openBoxes = [] {
            QList<QMessageBox*> boxes;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
                    boxes << box;
            return boxes;
        };
        QCOMPARE(openBoxes().size(), 2);
        for (int i = 0; i < 10; ++i)
            h.engine.queue('D', "N0BBB", QByteArray("<PRHp") + QByteArray::number(i) + ">\r");
        receive();
        QCOMPARE(openBoxes().size(), QtPrompts::kMaxOpenNotices);
        for (QMessageBox* box : openBoxes())
            box->accept();
        QTRY_COMPARE(openBoxes().size(), 0);
        h.engine.queue('D', "N0BBB", "<PRHindex>\r");
        receive();
        QCOMPARE(openBoxes().size(), 1);
        QVERIFY(openBoxes()[0]->text().contains(QLatin1String("station N0BBB")));
    }

    // The connect list waits for the operator: focusing it picks nothing, a key moved onto an
    // entry picks it, Escape leaves without connecting.
    void connectListWaitsForAPick_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("connectedTo");
        QTest::newRow("down picks the first") << int(Qt::Key_Down) << QByteArray("ALPHA");
        QTest::newRow("escape picks none") << int(Qt::Key_Escape) << QByteArray();
    }
    void connectListWaitsForAPick() {
        QFETCH(int, key);
        RealDialogStation rs;
        QVERIFY(writeFileBytes(QDir(rs.h.state.programDir).filePath("PacketConnects.lst"),
                               "\"ZULU\"\r\n\"N0BBB\"\r\n\"ALPHA\"\r\n"));
        QVERIFY(QTest::qWaitForWindowActive(&rs.w));
        bool openAfterFocus = false;
        onNextModal([&](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("List1"));
            list->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            openAfterFocus = dialog->isVisible() && rs.h.engine.sent.isEmpty();
            QTest::keyClick(list, Qt::Key(key));
        });
        QTest::mouseClick(
            rs.w.menuBar(), Qt::LeftButton, {},
            rs.w.menuBar()->actionGeometry(rs.w.action("mnuPreviousConnections")).center());
        QVERIFY(openAfterFocus);
        QByteArray connectedTo;
        for (const RecordingEngine::Sent& sent : rs.h.engine.sent)
            if (sent.kind == 'c')
                connectedTo = sent.destination;
        QTEST(connectedTo, "connectedTo");
    }

    // A command link's text reaches the send line as the page wrote it, colons and all.
    void commandLinksRunTheirCommand_data() {
        QTest::addColumn<QString>("href");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("destination");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("connect") << "<PRHCMD:C N0QQQ>" << int('c') << QByteArray("N0QQQ")
                                 << QByteArray();
        QTest::newRow("disconnect")
            << "<PRHCMD:D>" << int('d') << QByteArray("N0BBB") << QByteArray();
        QTest::newRow("unproto") << "<PRHCMD:U 50%41 off>" << int('U') << QByteArray("CQ")
                                 << QByteArray("50%41 off\r");
    }
    void commandLinksRunTheirCommand() {
        QFETCH(QString, href);
        RealDialogStation rs;
        rs.h.state.selectedCall = QStringLiteral("N0BBB");
        const QString page = QDir(rs.h.state.programDir).filePath(QStringLiteral("cmd.htm"));
        QVERIFY(writeFileBytes(page, "<html><a href=\"" + href.toLatin1() + "\">go there</a>"));
        rs.w.showBrowser(0, true);
        rs.w.loadBrowserPage(0, page);
        QVERIFY(QTest::qWaitForWindowActive(&rs.w));
        if (href.contains(QLatin1String(":U"))) {
            onNextModal([](QWidget* dialog) { // "To Whom?"
                auto* ask = qobject_cast<QInputDialog*>(dialog);
                ask->setTextValue(QStringLiteral("CQ"));
                ask->accept();
            });
        }
        QTextBrowser* pane = rs.w.browser(0);
        QTextCursor link = pane->document()->find(QStringLiteral("go there"));
        link.setPosition(link.selectionStart() + 2);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, pane->cursorRect(link).center());
        QVERIFY(!rs.h.engine.sent.isEmpty());
        const RecordingEngine::Sent& sent = rs.h.engine.sent[0];
        QTEST(sent.kind, "kind");
        QTEST(sent.destination, "destination");
        QTEST(sent.data, "data");
    }

    void exitLeavesTheEngineAloneAndClosingReleasesIt() {
        WindowedStation ws;
        StationHarness& h = ws.h;
        MainWindow& w = ws.w;
        w.action(QStringLiteral("mnuExit"))->trigger();
        QVERIFY(ws.station.exitRequested());
        ws.station.release();
        QCOMPARE(h.engine.closes, 0);
    }

    void operatorTabChoiceRunsTheSelectionReaction() {
        WindowedStation ws;
        StationHarness& h = ws.h;
        MainWindow& w = ws.w;
        ws.station.channels().assign(2, QStringLiteral("N0BBB"));
        w.setTabMarker(2, true);
        w.tabs()->setCurrentIndex(2);
        QCOMPARE(h.state.selectedCall, QStringLiteral("N0BBB"));
        QVERIFY(w.tabs()->tabIcon(2).isNull());
        w.tabs()->setCurrentIndex(8);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("NA"));
        // Programmatic changes by the station do not run it a second time.
        int before = h.state.selectedCall.size();
        w.setCurrentTab(2);
        QCOMPARE(h.state.selectedCall.size(), before);
    }

    void viewsShowCrLfAsOneLineBreak() {
        MainWindow w;
        w.appendText(TextView::Channel0, QStringLiteral("one\r\ntwo"));
        w.appendText(TextView::Channel0, QStringLiteral(" more\r\n"));
        QCOMPARE(w.textView(TextView::Channel0)->toPlainText(), QStringLiteral("one\ntwo more\n"));
        w.replaceText(TextView::AllTraffic, QStringLiteral("x\r\ny"));
        QCOMPARE(w.textView(TextView::AllTraffic)->toPlainText(), QStringLiteral("x\ny"));
    }

    // A bounded view on screen holds exactly the text the station keeps for it, wherever the
    // bound cuts, for the strip in front and its mirror brought up when its tab is shown.
    void boundedViewsShowExactlyTheirText_data() {
        QTest::addColumn<QStringList>("appends");
        const QString line = QStringLiteral("Fm N0XX To APRS <UI> some monitored text\r\n");
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << QString::number(i) + line;
        QTest::newRow("lines over the bound") << lines;
        QStringList bare;
        for (int i = 0; i < 300; ++i)
            bare << QStringLiteral("cr only\r") + QString(30, QLatin1Char('x'));
        QTest::newRow("bare CRs") << bare;
        // 10 001 characters: the cut of 1 001 falls between a CR and its LF.
        const QString head = QString(BoundedView::kLimit - BoundedView::kKeep, QLatin1Char('a'));
        QTest::newRow("cut inside a CR LF")
            << QStringList{head + QStringLiteral("\r\n") + QString(8993, QLatin1Char('b')),
                           QStringLiteral("tail\r\n")};
        QTest::newRow("one long append") << QStringList{QString(25000, QLatin1Char('z'))};
    }
    void boundedViewsShowExactlyTheirText() {
        QFETCH(QStringList, appends);
        MainWindow w;
        BoundedView strip(w, TextView::AllTraffic);
        BoundedView mirror(w, TextView::AllTrafficMirror);
        for (const QString& text : appends) {
            strip.append(text);
            mirror.append(text);
        }
        auto shown = [](const QString& text) {
            QString out = text;
            out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
            out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
            return out;
        };
        QCOMPARE(w.textView(TextView::AllTraffic)->toPlainText(), shown(strip.text()));
        w.tabs()->setCurrentIndex(8);
        QCOMPARE(w.textView(TextView::AllTrafficMirror)->toPlainText(), shown(mirror.text()));
    }

    // Ctrl+F from the send line finds in the view in front; Escape gives the focus back without
    // typing the send line's colon.
    void findBarFindsAndGivesTheFocusBack() {
        WindowedStation ws;
        MainWindow& w = ws.w;
        w.showWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.appendText(TextView::Channel0, QStringLiteral("N0BBB: hello\r\nN0CCC: Hello again\r\n"));
        w.sendLine()->setFocus();
        QTest::keyClicks(w.sendLine(), QStringLiteral("typed"));
        QTest::keyClick(w.sendLine(), Qt::Key_F, Qt::ControlModifier);
        FindBar* bar = w.findBar();
        QVERIFY(bar->isVisible());
        QTRY_VERIFY(bar->field()->hasFocus());
        QTest::keyClicks(bar->field(), QStringLiteral("hello"));
        QCOMPARE(bar->countLabel()->text(), QStringLiteral("2 matches"));
        QPlainTextEdit* view = w.textView(TextView::Channel0);
        QCOMPARE(view->extraSelections().size(), 2);
        QTest::keyClick(bar->field(), Qt::Key_Return);
        const int first = view->textCursor().selectionStart();
        QTest::keyClick(bar->field(), Qt::Key_Return);
        QVERIFY(view->textCursor().selectionStart() > first);
        QTest::keyClick(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(view->textCursor().selectionStart(), first);
        QTest::keyClick(bar->field(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(view->extraSelections().isEmpty());
        QTRY_VERIFY(w.sendLine()->hasFocus());
        QCOMPARE(w.sendLine()->text(), QStringLiteral("typed"));
    }

    // Days of traffic on one channel keep only a scrollable tail in the widgets, ending in
    // exactly what came last.
    void channelAndConferenceViewsKeepABoundedTail() {
        MainWindow w;
        const QString line = QStringLiteral("0123456789012345678901234567890123456789\r\n");
        QString chunk;
        for (int i = 0; i < 1000; ++i)
            chunk += line; // 42 000 characters a write
        for (int i = 0; i < 60; ++i)
            w.appendText(TextView::Conf, chunk);
        w.appendText(TextView::Conf, QStringLiteral("the end"));
        const QString conf = w.textView(TextView::Conf)->toPlainText();
        QVERIFY(conf.size() <= TextViews::kMaxViewChars);
        QVERIFY(conf.size() >= TextViews::kKeptViewChars);
        QVERIFY(conf.startsWith(QLatin1String("0123456789"))); // cut where a line starts
        QVERIFY(conf.endsWith(QLatin1String("89\nthe end")));

        w.appendText(TextView::Channel0, QString(200'000, QLatin1Char('\r')));
        w.appendText(TextView::Channel0, QStringLiteral("last"));
        QCOMPARE(w.textView(TextView::Channel0)->blockCount(), TextViews::kMaxViewLines);
        QVERIFY(w.textView(TextView::Channel0)->toPlainText().endsWith(QLatin1String("\nlast")));
    }

    void sendLineKeys() {
        WindowedStation ws;
        StationHarness& h = ws.h;
        MainWindow& w = ws.w;
        h.state.selectedCall = QStringLiteral("N0BBB");
        w.show();
        QLineEdit* line = w.sendLine();
        QTest::keyClicks(line, QStringLiteral("hi"));
        QTest::keyClick(line, Qt::Key_Escape); // types a colon where the caret is
        QCOMPARE(line->text(), QStringLiteral("hi:"));
        QTest::keyClick(line, Qt::Key_Return);
        QCOMPARE(line->text(), QString());
        QCOMPARE(h.engine.sent.size(), 1);
        QCOMPARE(h.engine.sent[0].data, QByteArray("hi:\r"));

        // A word-wrapping typist: the blank after column 70 sends the line.
        QTest::keyClicks(line, QString(70, QLatin1Char('x')));
        QCOMPARE(h.engine.sent.size(), 1);
        QTest::keyClick(line, Qt::Key_Space);
        QCOMPARE(h.engine.sent.size(), 2);
        QCOMPARE(h.engine.sent[1].data, QByteArray(70, 'x') + '\r');
        QCOMPARE(line->text(), QString());
    }

    void viewsOnHiddenPagesCatchUpWhenShown() {
        MainWindow w;
        w.appendText(TextView::DX, QStringLiteral("DX one\r\n"));
        w.appendText(TextView::DX, QStringLiteral("DX two\r\n"));
        w.removeFront(TextView::DX, QStringLiteral("DX one\r\n"));
        w.setCurrentTab(9);
        QCOMPARE(w.textView(TextView::DX)->toPlainText(), QStringLiteral("DX two\n"));
        // In front, it follows every change at once.
        w.appendText(TextView::DX, QStringLiteral("DX three"));
        QCOMPARE(w.textView(TextView::DX)->toPlainText(), QStringLiteral("DX two\nDX three"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
