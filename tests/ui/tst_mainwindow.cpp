// The real main window and dialogs, offscreen, wired to a station over an in-process engine.

#include "BoundedView.h"
#include "ConnectDialog.h"
#include "DataDialog.h"
#include "FindBar.h"
#include "MainWindow.h"
#include "QtPlatform.h"
#include "StationHarness.h"
#include "StationWiring.h"
#include "TestFiles.h"
#include "TextViews.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// Runs `act` on the next modal dialog once it is shown and active.
template <typename Act> void onNextModal(Act act) {
    QTimer::singleShot(20, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return onNextModal(act);
        modal->activateWindow();
        if (QTest::qWaitForWindowActive(modal))
            act(modal);
    });
}

struct RealStation {
    RealStation() {
        prompts.setParentWidget(&w);
        h.store.setCallSign(QStringLiteral("N0AAA"));
        connectWindowToStation(w, station);
    }
    void receive() {
        while (!h.engine.incoming.empty())
            station.tick();
    }
    static QList<QMessageBox*> openBoxes() {
        QList<QMessageBox*> boxes;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
                boxes << box;
        return boxes;
    }
    StationHarness h;
    MainWindow w;
    QtPrompts prompts;
    Station station{
        StationContext{h.state, w, h.engine, prompts, h.beeper, h.clock, h.timer, h.store}};
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void noEngineShowsTheFailureMessageAndTheRetryButton() {
        RealStation rs;
        rs.h.engine.defaultStartResult = 0;
        QString message;
        onNextModal([&](QWidget* box) {
            message = qobject_cast<QMessageBox*>(box)->text();
            qobject_cast<QMessageBox*>(box)->accept();
        });
        rs.station.startUp();
        QCOMPARE(message, QStringLiteral("Cannot connect to AGW Packet Engine.  Please start the "
                                         "AGW packet engine and try connecting again."));
        QVERIFY(rs.w.retryButton()->isVisible());
        QVERIFY(!rs.h.timer.active);
        rs.h.engine.defaultStartResult = 1;
        QTest::mouseClick(rs.w.retryButton(), Qt::LeftButton);
        QCOMPARE(rs.h.engine.registrations.size(), 2);
        QVERIFY(!rs.w.retryButton()->isVisible());
        QVERIFY(rs.h.timer.active);
    }

    // Messages raised by what stations send never hold up receiving: they open without waiting,
    // one per station and page, and only a few at a time.
    void airMessagesNeitherBlockNorPileUp() {
        RealStation rs;
        rs.station.startUp();
        rs.h.engine.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        for (int i = 0; i < 20; ++i)
            rs.h.engine.queue('D', "N0BBB", "<PRHindex>\r");
        rs.h.engine.queue('D', "N0BBB", "<PRHother>\r");
        rs.receive();
        QCOMPARE(rs.openBoxes().size(), 2);
        QVERIFY(!QApplication::activeModalWidget()); // the window still takes the operator's keys
        for (int i = 0; i < 10; ++i)
            rs.h.engine.queue('D', "N0BBB", "<PRHp" + QByteArray::number(i) + ">\r");
        rs.receive();
        QCOMPARE(rs.openBoxes().size(), QtPrompts::kMaxOpenNotices);
        for (QMessageBox* box : rs.openBoxes())
            box->accept();
        QTRY_COMPARE(rs.openBoxes().size(), 0);
        rs.h.engine.queue('D', "N0BBB", "<PRHindex>\r");
        rs.receive();
        QCOMPARE(rs.openBoxes().size(), 1);
        QVERIFY(rs.openBoxes()[0]->text().contains(QLatin1String("station N0BBB")));
    }

    // The connect list, sorted, waits for the operator: focusing it picks nothing; a key moved
    // onto an entry or a click picks it; Escape or Done leaves without connecting.
    void connectListWaitsForAPick_data() {
        QTest::addColumn<int>("key"); // 0: a click
        QTest::addColumn<int>("row"); // clicked; -1: Done
        QTest::addColumn<QByteArray>("connectedTo");
        QTest::newRow("down picks the first") << int(Qt::Key_Down) << 0 << QByteArray("ALPHA");
        QTest::newRow("escape picks none") << int(Qt::Key_Escape) << 0 << QByteArray();
        QTest::newRow("a click picks") << 0 << 2 << QByteArray("ZULU");
        QTest::newRow("done picks none") << 0 << -1 << QByteArray();
    }
    void connectListWaitsForAPick() {
        QFETCH(int, key);
        QFETCH(int, row);
        RealStation rs;
        rs.station.startUp();
        QVERIFY(writeFileBytes(QDir(rs.h.state.programDir).filePath("PacketConnects.lst"),
                               "\"ZULU\"\r\n\"N0BBB\"\r\n\"ALPHA\"\r\n"));
        QVERIFY(QTest::qWaitForWindowActive(&rs.w));
        bool openAfterFocus = false;
        onNextModal([&](QWidget* dialog) {
            QListWidget* list = qobject_cast<ConnectDialog*>(dialog)->list();
            list->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            openAfterFocus = dialog->isVisible() && rs.h.engine.sent.isEmpty();
            QVERIFY(!dialog->findChild<QPushButton*>()->geometry().intersects(list->geometry()));
            if (key)
                QTest::keyClick(list, Qt::Key(key));
            else if (row >= 0)
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(row)).center());
            else
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
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

    // A command link's text reaches the send line as the page wrote it, colons and all, whether
    // clicked or followed from the keyboard.
    void commandLinksRunTheirCommand_data() {
        QTest::addColumn<QString>("href");
        QTest::addColumn<int>("key");         // 0: a click
        QTest::addColumn<QByteArray>("sent"); // kind, destination, data
        const QString unproto = QStringLiteral("<PRHCMD:U 50%41 off>");
        QTest::newRow("connect") << "<PRHCMD:C N0QQQ>" << 0 << QByteArray("c N0QQQ ");
        QTest::newRow("disconnect") << "<PRHCMD:D>" << 0 << QByteArray("d N0BBB ");
        QTest::newRow("unproto") << unproto << 0 << QByteArray("U CQ 50%41 off\r");
        QTest::newRow("by Return")
            << unproto << int(Qt::Key_Return) << QByteArray("U CQ 50%41 off\r");
        QTest::newRow("by Enter") << unproto << int(Qt::Key_Enter)
                                  << QByteArray("U CQ 50%41 off\r");
    }
    void commandLinksRunTheirCommand() {
        QFETCH(QString, href);
        QFETCH(int, key);
        RealStation rs;
        rs.station.startUp();
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
        if (key) {
            pane->setFocus();
            QTest::keyClick(pane, Qt::Key_Tab); // onto the link
            QTest::keyClick(pane, Qt::Key(key),
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        } else {
            QTextCursor link = pane->document()->find(QStringLiteral("go there"));
            link.setPosition(link.selectionStart() + 2);
            QTest::mouseClick(pane->viewport(), Qt::LeftButton, {},
                              pane->cursorRect(link).center());
        }
        QVERIFY(!rs.h.engine.sent.isEmpty());
        const RecordingEngine::Sent& sent = rs.h.engine.sent[0];
        QTEST(char(sent.kind) + (' ' + sent.destination + ' ' + sent.data), "sent");
    }

    // Exit leaves the call registered at the engine; any other way out releases it.
    void exitLeavesTheEngineAlone() {
        for (bool exit : {true, false}) {
            RealStation rs;
            rs.h.store.setValue(SettingsStore::kConference, QStringLiteral("1"));
            rs.station.startUp();
            QVERIFY(rs.w.findChild<QCheckBox*>(QStringLiteral("chkConf"))->isChecked());
            // The browser box shows the pane of the channel in front.
            QVERIFY(QTest::qWaitForWindowActive(&rs.w));
            QTest::mouseClick(rs.w.findChild<QCheckBox*>(QStringLiteral("chkBrowserDisplay")),
                              Qt::LeftButton);
            QCOMPARE(rs.h.state.browserShown[0], quint8(1));
            if (exit)
                rs.w.action(QStringLiteral("mnuExit"))->trigger();
            rs.station.release();
            QCOMPARE(rs.h.engine.closes, exit ? 0 : 1);
        }
    }

    // A bounded view on screen holds exactly the text the station keeps for it, wherever the
    // bound cuts, for the strip in front and its mirror brought up when its tab is shown.
    void boundedViewsShowExactlyTheirText_data() {
        QTest::addColumn<QStringList>("appends");
        QStringList lines, bare;
        for (int i = 0; i < 400; ++i)
            lines << QString::number(i) + QStringLiteral("Fm N0XX To APRS <UI> monitored\r\n");
        for (int i = 0; i < 300; ++i)
            bare << QStringLiteral("cr only\r") + QString(30, QLatin1Char('x'));
        QTest::newRow("lines over the bound") << lines;
        QTest::newRow("bare CRs") << bare;
        // 10 001 characters: the cut of 1 001 falls between a CR and its LF.
        const QString head(BoundedView::kLimit - BoundedView::kKeep, QLatin1Char('a'));
        QTest::newRow("cut inside a CR LF")
            << QStringList{head + "\r\n" + QString(8993, QLatin1Char('b')), "tail\r\n"};
        QTest::newRow("cut after a bare CR")
            << QStringList{head + "\r" + QString(8994, QLatin1Char('b')), "tail\r\n"};
        QTest::newRow("one long append") << QStringList{QString(25000, QLatin1Char('z'))};
    }
    void boundedViewsShowExactlyTheirText() {
        QFETCH(QStringList, appends);
        MainWindow w;
        w.show();
        BoundedView strip(w, TextView::AllTraffic);
        BoundedView mirror(w, TextView::AllTrafficMirror);
        for (const QString& text : appends) {
            strip.append(text);
            mirror.append(text);
        }
        auto shown = [](QString text) {
            return text.replace(QLatin1String("\r\n"), QLatin1String("\n"))
                .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        };
        QPlainTextEdit* view = w.textView(TextView::AllTraffic);
        QCOMPARE(view->toPlainText(), shown(strip.text()));
        w.tabs()->setCurrentIndex(8);
        QCOMPARE(w.textView(TextView::AllTrafficMirror)->toPlainText(), shown(mirror.text()));
        // Nobody types into a view, not even through an input method.
        QTest::keyClicks(view, QStringLiteral("typed"));
        QCOMPARE(view->toPlainText(), shown(strip.text()));
        QVERIFY(!view->testAttribute(Qt::WA_InputMethodEnabled));
    }

    // Days of traffic on one channel keep only a scrollable tail in the widgets, ending in
    // exactly what came last.
    void channelAndConferenceViewsKeepABoundedTail() {
        MainWindow w;
        const QString chunk = QStringLiteral("0123456789012345678901234567890123456789\r\n")
                                  .repeated(1000); // 42 000 characters a write
        for (int i = 0; i < 60; ++i)
            w.appendText(TextView::Conf, chunk);
        w.appendText(TextView::Conf, QStringLiteral("the end"));
        const QString conf = w.textView(TextView::Conf)->toPlainText();
        QVERIFY(conf.size() <= TextViews::kMaxViewChars &&
                conf.size() >= TextViews::kKeptViewChars);
        QVERIFY(conf.startsWith(QLatin1String("0123456789"))); // cut where a line starts
        QVERIFY(conf.endsWith(QLatin1String("89\nthe end")));
        // One endless line is cut too.
        MainWindow fresh;
        fresh.appendText(TextView::Conf, QString(TextViews::kMaxViewChars + 1, QLatin1Char('y')));
        QVERIFY(fresh.textView(TextView::Conf)->toPlainText().size() <= TextViews::kMaxViewChars);
        w.appendText(TextView::Channel0, QString(200'000, QLatin1Char('\r')) + "last");
        QCOMPARE(w.textView(TextView::Channel0)->blockCount(), TextViews::kMaxViewLines);
        QVERIFY(w.textView(TextView::Channel0)->toPlainText().endsWith(QLatin1String("\nlast")));
    }

    // In the send line Escape types a colon and Return or Enter send it. Ctrl+F from there finds
    // in the view in front; Escape gives the focus back without typing a colon.
    void sendLineAndFindBarKeys() {
        RealStation rs;
        rs.h.state.selectedCall = QStringLiteral("N0BBB");
        MainWindow& w = rs.w;
        w.showWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.appendText(TextView::Channel0, QStringLiteral("N0BBB: hello\r\nN0CCC: Hello again\r\n"));
        FindBar* bar = w.findBar();
        QVERIFY(!bar->isVisible());
        QLineEdit* line = w.sendLine();
        line->setFocus();
        QTest::keyClicks(line, QStringLiteral("hi"));
        QTest::keyClick(line, Qt::Key_Escape);
        QTest::keyClick(line, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QTRY_VERIFY(bar->field()->hasFocus());
        QPlainTextEdit* view = w.textView(TextView::Channel0);
        QTest::keyClicks(bar->field(), QStringLiteral("hello"));
        QCOMPARE(bar->countLabel()->text(), QStringLiteral("2 matches"));
        QCOMPARE(view->extraSelections().size(), 2);
        QTest::keyClick(bar->field(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(bar->field(), Qt::Key_Backspace); // nothing to find: nothing counted
        QCOMPARE(bar->countLabel()->text(), QString());
        QVERIFY(view->extraSelections().isEmpty());
        QTest::keyClicks(bar->field(), QStringLiteral("hello"));
        QTest::keyClick(bar->field(), Qt::Key_Return);
        const int first = view->textCursor().selectionStart();
        QTest::keyClick(bar->field(), Qt::Key_Return);
        QVERIFY(view->textCursor().selectionStart() > first);
        QTest::keyClick(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(view->textCursor().selectionStart(), first);
        QTest::keyClick(bar->field(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(view->extraSelections().isEmpty());
        QTRY_VERIFY(line->hasFocus());
        QTest::keyClick(line, Qt::Key_F, Qt::ControlModifier); // the last search shows again
        QCOMPARE(view->extraSelections().size(), 2);
        QTest::keyClick(bar->field(), Qt::Key_Escape);
        QTRY_VERIFY(line->hasFocus());
        QCOMPARE(line->text(), QStringLiteral("hi:"));
        QTest::keyClick(line, Qt::Key_Return);
        QTest::keyClicks(line, QStringLiteral("again"));
        QTest::keyClick(line, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(line->text(), QString());
        QCOMPARE(rs.h.engine.sent.size(), 2);
        QCOMPARE(rs.h.engine.sent[0].data + rs.h.engine.sent[1].data, QByteArray("hi:\ragain\r"));
    }

    // Every caption of the window shows whole, on a large screen and a small one.
    void captionsShowWhole() {
        for (QSize screen : {QSize(1280, 1024), QSize(800, 600)}) {
            MainWindow w;
            w.showWindow();
            w.setGeometry(QRect(QPoint(0, 0), screen));
            w.setRetryButtonVisible(true);
            w.setSelectedCallLabel(QStringLiteral("N0BBB-15"));
            QCoreApplication::processEvents();
            // The conference view is laid out as a channel's.
            QCOMPARE(w.textView(TextView::Conf)->geometry(),
                     w.textView(TextView::Channel0)->geometry());
            int checked = 0;
            for (QWidget* c :
                 w.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!qobject_cast<QLabel*>(c) && !qobject_cast<QAbstractButton*>(c))
                    continue;
                ++checked;
                QVERIFY(w.centralWidget()->rect().contains(c->geometry()));
                QVERIFY2(c->sizeHint().width() <= c->width(),
                         qPrintable(c->property("text").toString()));
            }
            QCOMPARE(checked, 7);
        }
    }

    // Double quotes cannot be typed (a preset text keeps them); Return and Enter are Done.
    void dataDialogRefusesQuotes() {
        for (Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
            DataDialog dialog;
            dialog.setText(QStringLiteral("say \"hi\""));
            dialog.show();
            const auto* done = dialog.findChild<QPushButton*>(QStringLiteral("Command1"));
            QVERIFY(!done->geometry().intersects(dialog.textBox()->geometry())); // laid out
            QTest::keyClicks(dialog.textBox(), QStringLiteral(" a\"b"));
            QTest::keyClick(dialog.textBox(), enter);
            QVERIFY(dialog.result() == QDialog::Accepted && !dialog.isVisible());
            QCOMPARE(dialog.text(), QStringLiteral("say \"hi\" ab"));
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
