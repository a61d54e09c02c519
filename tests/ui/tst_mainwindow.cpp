// The real main window, its dialogs and page panes, offscreen, wired to a station over an
// in-process engine and used by keys and clicks.

#include "BoundedView.h"
#include "ConnectDialog.h"
#include "DataDialog.h"
#include "FindBar.h"
#include "HeardListWindow.h"
#include "MainWindow.h"
#include "PaneResources.h"
#include "QtPlatform.h"
#include "SendProgressDialog.h"
#include "StationHarness.h"
#include "StationWiring.h"
#include "TestFiles.h"
#include "TextViews.h"

#include <QtTest>
#include <QtWidgets>
#include <sys/stat.h>

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

QList<QMessageBox*> openBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
            boxes << box;
    return boxes;
}

// Finds every frame gone out whenever asked, so a paced send goes on at each tick.
struct EmptyingEngine : RecordingEngine {
    bool reportsOutstanding() const override { return true; }
    std::optional<quint32> takeOutstanding(const QByteArray&) override { return 0; }
};

// The window over a station; `scripted` swaps in scripted prompts and the emptying engine.
struct Rig {
    explicit Rig(bool scripted = false)
        : e(scripted ? paced : h.engine), station{StationContext{
                                              h.state, w, e,
                                              scripted ? static_cast<Prompts&>(h.prompts) : prompts,
                                              h.beeper, h.clock, h.timer, h.store}} {
        prompts.setParentWidget(&w);
        h.store.setCallSign(QStringLiteral("N0AAA"));
        connectWindowToStation(w, station);
    }
    bool up() {
        station.startUp();
        return QTest::qWaitForWindowActive(&w);
    }
    void receive() {
        while (!e.incoming.empty())
            station.tick();
    }
    StationHarness h;
    EmptyingEngine paced;
    RecordingEngine& e;
    MainWindow w;
    QtPrompts prompts;
    Station station;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    void noEngineShowsTheFailureMessageAndTheRetryButton() {
        Rig rs;
        rs.e.defaultStartResult = 0;
        QString message;
        onNextModal([&](QWidget* box) {
            message = qobject_cast<QMessageBox*>(box)->text();
            qobject_cast<QDialog*>(box)->accept();
        });
        rs.station.startUp();
        QCOMPARE(message, QStringLiteral("Cannot connect to AGW Packet Engine.  Please start the "
                                         "AGW packet engine and try connecting again."));
        QVERIFY(rs.w.retryButton()->isVisible() && !rs.h.timer.active);
        rs.e.defaultStartResult = 1;
        QTest::mouseClick(rs.w.retryButton(), Qt::LeftButton);
        QCOMPARE(rs.e.registrations.size(), 2);
        QVERIFY(!rs.w.retryButton()->isVisible() && rs.h.timer.active);
    }

    // Messages raised by what stations send never hold up receiving: they open without waiting,
    // one per station and page, and only a few at a time.
    void airMessagesNeitherBlockNorPileUp() {
        Rig rs;
        rs.station.startUp();
        rs.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        for (int i = 0; i < 21; ++i)
            rs.e.queue('D', "N0BBB", i < 20 ? "<PRHindex>\r" : "<PRHother>\r");
        rs.receive();
        QCOMPARE(openBoxes().size(), 2);
        QVERIFY(!QApplication::activeModalWidget()); // the window still takes the operator's keys
        for (int i = 0; i < 10; ++i)
            rs.e.queue('D', "N0BBB", "<PRHp" + QByteArray::number(i) + ">\r");
        rs.receive();
        QCOMPARE(openBoxes().size(), QtPrompts::kMaxOpenNotices);
        for (QMessageBox* box : openBoxes())
            box->accept();
        QTRY_COMPARE(openBoxes().size(), 0);
        rs.e.queue('D', "N0BBB", "<PRHindex>\r");
        rs.receive();
        QCOMPARE(openBoxes().size(), 1);
        QVERIFY(openBoxes()[0]->text().contains(QLatin1String("station N0BBB")));
    }

    // The connect list, sorted, waits for the operator: focusing it picks nothing; a key moved
    // onto an entry or a click picks it; Escape or Done leaves without connecting.
    void connectListWaitsForAPick_data() {
        QTest::addColumn<int>("key"); // 0: a click on that row, or on Done for -1
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("connectedTo");
        QTest::newRow("down picks the first") << int(Qt::Key_Down) << 0 << QByteArray("ALPHA");
        QTest::newRow("escape picks none") << int(Qt::Key_Escape) << 0 << QByteArray();
        QTest::newRow("a click picks") << 0 << 2 << QByteArray("ZULU");
        QTest::newRow("done picks none") << 0 << -1 << QByteArray();
    }
    void connectListWaitsForAPick() {
        QFETCH(int, key);
        QFETCH(int, row);
        Rig rs;
        QVERIFY(rs.up());
        QVERIFY(writeFileBytes("PacketConnects.lst", "\"ZULU\"\r\n\"N0BBB\"\r\n\"ALPHA\"\r\n"));
        bool openAfterFocus = false;
        onNextModal([&](QWidget* dialog) {
            QListWidget* list = qobject_cast<ConnectDialog*>(dialog)->list();
            auto* done = dialog->findChild<QPushButton*>();
            list->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            openAfterFocus = dialog->isVisible() && rs.e.sent.isEmpty();
            QVERIFY(!done->geometry().intersects(list->geometry()));
            if (key)
                QTest::keyClick(list, Qt::Key(key));
            else if (row >= 0)
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(row)).center());
            else
                QTest::mouseClick(done, Qt::LeftButton);
        });
        QTest::mouseClick(
            rs.w.menuBar(), Qt::LeftButton, {},
            rs.w.menuBar()->actionGeometry(rs.w.action("mnuPreviousConnections")).center());
        QVERIFY(openAfterFocus);
        QByteArray connectedTo;
        for (const RecordingEngine::Sent& sent : rs.e.sent)
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
        const QByteArray unprotoSent("U CQ 50%41 off\r");
        QTest::newRow("connect") << "<PRHCMD:C N0QQQ>" << 0 << QByteArray("c N0QQQ ");
        QTest::newRow("disconnect") << "<PRHCMD:D>" << 0 << QByteArray("d N0BBB ");
        QTest::newRow("unproto") << unproto << 0 << unprotoSent;
        QTest::newRow("by Return") << unproto << int(Qt::Key_Return) << unprotoSent;
        QTest::newRow("by Enter") << unproto << int(Qt::Key_Enter) << unprotoSent;
    }
    void commandLinksRunTheirCommand() {
        QFETCH(QString, href);
        QFETCH(int, key);
        Rig rs;
        QVERIFY(rs.up());
        rs.h.state.selectedCall = QStringLiteral("N0BBB");
        const QString page = rs.h.state.programDir + "/cmd.htm";
        QVERIFY(writeFileBytes(page, "<html><a href=\"" + href.toLatin1() + "\">go there</a>"));
        rs.w.showBrowser(0, true);
        rs.w.loadBrowserPage(0, page);
        if (href.contains(QLatin1String(":U")))
            onNextModal([](QWidget* ask) { // "To Whom?"
                qobject_cast<QInputDialog*>(ask)->setTextValue(QStringLiteral("CQ"));
                qobject_cast<QDialog*>(ask)->accept();
            });
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
        QVERIFY(!rs.e.sent.isEmpty());
        const RecordingEngine::Sent& sent = rs.e.sent[0];
        QTEST(char(sent.kind) + (' ' + sent.destination + ' ' + sent.data), "sent");
    }

    // Exit leaves the call registered at the engine; any other way out releases it.
    void exitLeavesTheEngineAlone() {
        for (bool exit : {true, false}) {
            Rig rs;
            rs.h.store.setValue(SettingsStore::kConference, QStringLiteral("1"));
            QVERIFY(rs.up());
            QVERIFY(rs.w.findChild<QCheckBox*>("chkConf")->isChecked()); // restored
            // The browser box shows the pane of the channel in front.
            QTest::mouseClick(rs.w.findChild<QCheckBox*>("chkBrowserDisplay"), Qt::LeftButton);
            QCOMPARE(rs.h.state.browserShown[0], quint8(1));
            if (exit)
                rs.w.action(QStringLiteral("mnuExit"))->trigger();
            rs.station.release();
            QCOMPARE(rs.e.closes, exit ? 0 : 1);
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
        // 10 001 characters: the cut of 1 001 falls between a CR and its LF, or just after a CR.
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
        BoundedView strip(w, TextView::AllTraffic), mirror(w, TextView::AllTrafficMirror);
        for (const QString& text : appends) {
            strip.append(text);
            mirror.append(text);
        }
        const auto shown = [](QString text) {
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
    // exactly what came last; one endless line is cut too.
    void channelAndConferenceViewsKeepABoundedTail() {
        MainWindow w, fresh;
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
        fresh.appendText(TextView::Conf, QString(TextViews::kMaxViewChars + 1, QLatin1Char('y')));
        QVERIFY(fresh.textView(TextView::Conf)->toPlainText().size() <= TextViews::kMaxViewChars);
        w.appendText(TextView::Channel0, QString(200'000, QLatin1Char('\r')) + "last");
        QCOMPARE(w.textView(TextView::Channel0)->blockCount(), TextViews::kMaxViewLines);
        QVERIFY(w.textView(TextView::Channel0)->toPlainText().endsWith(QLatin1String("\nlast")));
    }

    // In the send line Escape types a colon and Return or Enter send it. Ctrl+F from there finds
    // in the view in front; Escape gives the focus back without typing a colon.
    void sendLineAndFindBarKeys() {
        Rig rs;
        rs.h.state.selectedCall = QStringLiteral("N0BBB");
        rs.w.showWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rs.w));
        rs.w.appendText(TextView::Channel0,
                        QStringLiteral("N0BBB: hello\r\nN0CCC: Hello again\r\n"));
        FindBar* bar = rs.w.findBar();
        QLineEdit *line = rs.w.sendLine(), *field = bar->field();
        QPlainTextEdit* view = rs.w.textView(TextView::Channel0);
        QVERIFY(!bar->isVisible());
        line->setFocus();
        QTest::keyClicks(line, QStringLiteral("hi"));
        QTest::keyClick(line, Qt::Key_Escape);
        QTest::keyClick(line, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, QStringLiteral("hello"));
        QCOMPARE(bar->countLabel()->text(), QStringLiteral("2 matches"));
        QCOMPARE(view->extraSelections().size(), 2);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace); // nothing to find: nothing counted
        QVERIFY(bar->countLabel()->text().isEmpty() && view->extraSelections().isEmpty());
        QTest::keyClicks(field, QStringLiteral("hello"));
        QTest::keyClick(field, Qt::Key_Return);
        const int first = view->textCursor().selectionStart();
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(view->textCursor().selectionStart() > first);
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(view->textCursor().selectionStart(), first);
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!bar->isVisible() && view->extraSelections().isEmpty());
        QTRY_VERIFY(line->hasFocus());
        QTest::keyClick(line, Qt::Key_F, Qt::ControlModifier); // the last search shows again
        QCOMPARE(view->extraSelections().size(), 2);
        QTest::keyClick(field, Qt::Key_Escape);
        QTRY_VERIFY(line->hasFocus());
        QCOMPARE(line->text(), QStringLiteral("hi:"));
        QTest::keyClick(line, Qt::Key_Return);
        QTest::keyClicks(line, QStringLiteral("again"));
        QTest::keyClick(line, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(line->text(), QString());
        QCOMPARE(rs.e.sent.size(), 2);
        QCOMPARE(rs.e.sent[0].data + rs.e.sent[1].data, QByteArray("hi:\ragain\r"));
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

    // Ctrl+H opens the heard list and leaves the focus on the send line; a double-click puts the
    // station's connect in the line unsent; a full list drops its least recently heard.
    void heardListByItsKeysAndADoubleClick() {
        Rig rs;
        const auto hear = [&](const QByteArray& call) {
            rs.e.queue('U', call, " 1:Fm " + call + " To ID Via WIDE1-1 <UI>\r" + call + "\r");
            rs.receive();
        };
        QVERIFY(rs.up());
        hear("N0ABC");
        QTest::keyClick(rs.w.sendLine(), Qt::Key_H, Qt::ControlModifier);
        auto* heard = rs.w.findChild<HeardListWindow*>();
        QVERIFY(heard && heard->isVisible());
        rs.h.clock.when = rs.h.clock.when.addSecs(60);
        hear("N0XYZ");
        heard->refresh();
        QAbstractItemModel* rows = heard->table()->model();
        QCOMPARE(rows->rowCount(), 2);
        QVERIFY(!rows->data(QModelIndex()).isValid());
        QCOMPARE(rows->index(0, 0).data().toString(), QStringLiteral("N0XYZ")); // newest first
        QCOMPARE(rows->index(1, 5).data().toString(), QStringLiteral("WIDE1-1"));
        QCoreApplication::processEvents();
        QVERIFY(QApplication::activeWindow() == &rs.w && rs.w.sendLine()->hasFocus());
        const qsizetype sent = rs.e.sent.size();
        heard->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(heard));
        const QRect cell = heard->table()->visualRect(rows->index(1, 0));
        // Through the window system, as a person's double-click comes: press, release, press.
        QTest::mouseDClick(heard->windowHandle(), Qt::LeftButton, {},
                           heard->table()->viewport()->mapTo(heard, cell.center()));
        QCOMPARE(rs.w.sendLine()->text(), QStringLiteral(":C N0ABC"));
        QCOMPARE(rs.e.sent.size(), sent);
        for (int i = 0; i < HeardList::kMaxStations - 1; ++i)
            hear("N0S" + QByteArray::number(i));
        heard->refresh();
        QCOMPARE(rows->rowCount(), HeardList::kMaxStations);
        hear("N0LAST");
        heard->refresh();
        QCOMPARE(rows->rowCount(), HeardList::kMaxStations);
        QCOMPARE(rows->match(rows->index(0, 0), Qt::DisplayRole, QStringLiteral("N0ABC")).size(),
                 0);
        QCOMPARE(rows->match(rows->index(0, 0), Qt::DisplayRole, QStringLiteral("N0LAST")).size(),
                 1);
    }

    // Settings > Log Sessions by its keys, then Stop clicked in the progress of a paced send.
    void logSessionsThenStopASend() {
        Rig rs(true);
        QVERIFY(rs.up());
        QTest::keyClick(&rs.w, Qt::Key_S, Qt::AltModifier);
        QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_L); // in the menu that opened
        QVERIFY(rs.h.store.logSessions() && rs.w.action("mnuLogSessions")->isChecked());
        rs.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        rs.station.tick();
        rs.e.sent.clear();
        rs.h.prompts.files = {rs.h.programDir.filePath(QStringLiteral("upload.txt"))};
        QVERIFY(writeFileBytes(rs.h.prompts.files.front(), QByteArray(1000, 'x')));
        rs.w.action(QStringLiteral("mnuSendFile"))->trigger();
        rs.station.tick();
        rs.station.tick();
        auto* dialog = rs.w.findChild<SendProgressDialog*>();
        QVERIFY(dialog && QTest::qWaitForWindowActive(dialog));
        QCOMPARE(dialog->bar()->value(), 80 * rs.e.sent.size());
        QTest::mouseClick(dialog->stopButton(), Qt::LeftButton);
        const qsizetype sent = rs.e.sent.size();
        for (int tick = 0; tick < 4; ++tick)
            rs.station.tick();
        QVERIFY(rs.e.sent.size() == sent && dialog->isHidden());
        QVERIFY(rs.w.statusBar()->currentMessage().startsWith("upload.txt to N0BBB stopped after"));
    }

    // Only a plain relative name below the page's folder passes, and never into the program
    // folder itself.
    void paneAllowedPath() {
        using Row = std::tuple<const char*, const char*, const char*>; // name, page folder, file
        const Row rows[] = {
            {"pic.gif", "W1AW", "W1AW/pic.gif"},
            {"img/pic.gif", "W1AW", "W1AW/img/pic.gif"},
            {"./pic.gif", "W1AW", "W1AW/pic.gif"},
            {"my%20pic.gif", "W1AW", "W1AW/my pic.gif"},
            {"W1AW/pic.gif", "", "W1AW/pic.gif"}, // a channel page, in the program folder
            {"pic.gif", "", ""},
            {"/dev/zero", "W1AW", ""},
            {"/prog/W1AW/pic.gif", "W1AW", ""},
            {"../x.gif", "W1AW", ""},
            {"a/../../x", "W1AW", ""},
            {"a/../pic.gif", "W1AW", ""},
            {"%2e%2e/K2XYZ/pic.gif", "W1AW", ""},
            {"file:///prog/W1AW/pic.gif", "W1AW", ""},
            {"file:pic.gif", "W1AW", ""},
            {"http://example.org/pic.gif", "W1AW", ""},
            {"data:image/gif;base64,R0lGODlhAQABAAAAACw=", "W1AW", ""},
            {"qrc:/pic.gif", "W1AW", ""},
            {":/pic.gif", "W1AW", ""},
            {"C:/pic.gif", "W1AW", ""},
            {"//host/pic.gif", "W1AW", ""},
            {"img\\pic.gif", "W1AW", ""},
            {"..\\..\\pic.gif", "W1AW", ""},
            {"pic.gif?x", "W1AW", ""},
            {"pic.gif#x", "W1AW", ""},
            {"pic.gif%00.htm", "W1AW", ""},
            {"", "W1AW", ""},
            {"pic.gif", "/elsewhere", ""},
            {"pic.gif", "/prog2/W1AW", ""},
        };
        for (const auto& [name, pageDir, file] : rows) {
            const QString dir = pageDir[0] == '/'
                                    ? QString::fromLatin1(pageDir)
                                    : QDir::cleanPath("/prog/" + QLatin1String(pageDir));
            QCOMPARE(PaneResources::allowedPath(QUrl(name), dir, "/prog"),
                     *file ? "/prog/" + QLatin1String(file) : QString());
        }
    }

    // What a page pulls in: shown only from a content folder, whole, a regular file of bounded
    // size; anything else shows as missing, and nothing blocks. A page must be a regular file too.
    void paneResources() {
        constexpr int kPictureWidth = 40; // Qt's sign for a missing picture is narrower
        QTemporaryDir prog, outside;
        const QString root = QFileInfo(prog.path()).canonicalFilePath();
        const auto at = [&](const QString& relative) { return root + '/' + relative; };
        QVERIFY(QDir(root).mkpath("W1AW/img") && QDir(root).mkdir("K2XYZ"));
        QImage picture(kPictureWidth, 30, QImage::Format_RGB32),
            bomb(5000, 5000, QImage::Format_Mono);
        picture.fill(Qt::red);
        bomb.fill(0); // kilobytes on disk, 100 MB once shown
        for (const QString& path : {at("W1AW/pic.png"), at("W1AW/img/pic.png"), at("K2XYZ/pic.png"),
                                    at("top.png"), outside.filePath("pic.png")})
            QVERIFY(picture.save(path, "PNG"));
        QVERIFY(bomb.save(at("W1AW/bomb.png"), "PNG"));
        const QByteArray png = readFileBytes(at("top.png"));
        QVERIFY(writeFileBytes(at("W1AW/big.png"), png + QByteArray(5 * 1024 * 1024, '\0')));
        for (const char* css : {"W1AW/style.css", "top.css"})
            QVERIFY(writeFileBytes(at(css), "p { color: #123456 }"));
        QVERIFY(writeFileBytes(at("W1AW/hello.htm"), "<p>hello</p>"));
        QCOMPARE(::mkfifo(QFile::encodeName(at("W1AW/fifo.png")), 0600), 0);
        const std::pair<QString, const char*> links[] = {{outside.filePath("pic.png"), "out"},
                                                         {at("K2XYZ/pic.png"), "in"},
                                                         {at("top.png"), "up"},
                                                         {"/dev/zero", "dev"}};
        for (const auto& [target, name] : links)
            QVERIFY(QFile::link(target, at("W1AW/" + QLatin1String(name) + ".png")));
        QVERIFY(QDir::setCurrent(root)); // the start folder is the program folder
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showBrowser(0, true);
        QTextBrowser* pane = w.browser(0);
        const QString page = QStringLiteral("W1AW/page.htm"), channel = "Channel0.htm";
        using Row = std::tuple<QString, bool, QString, bool>; // page, picture?, src, shown
        const Row rows[] = {
            {page, true, "pic.png", true},
            {page, true, "img/pic.png", true},
            {channel, true, "W1AW/pic.png", true},
            {channel, true, "top.png", false},
            {page, true, "../K2XYZ/pic.png", false},
            {page, true, at("W1AW/pic.png"), false},
            {page, true, QUrl::fromLocalFile(at("W1AW/pic.png")).toString(), false},
            {page, true, "data:image/png;base64," + png.toBase64(), false},
            {page, true, "fifo.png", false},
            {page, true, "/dev/zero", false},
            {page, true, "dev.png", false},
            {page, true, "out.png", false}, // a link out of the program folder
            {page, true, "up.png", false},  // a link into the program folder itself
            {page, true, "in.png", true},   // a link to another content folder
            {page, true, "big.png", false},
            {page, true, "bomb.png", false},
            {page, false, "style.css", true},
            {channel, false, "top.css", false},
            {page, false, "fifo.png", false},
        };
        for (const auto& [page, picture, src, shown] : rows) {
            const QString tag = picture
                                    ? QStringLiteral("<img src=\"%1\">")
                                    : QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" "
                                                     "href=\"%1\"><p>text</p>");
            QVERIFY(writeFileBytes(
                at(page), ("<HTML>" + tag.arg(src.toHtmlEscaped()) + "</HTML>").toLatin1()));
            w.loadBrowserPage(0, at(page));
            pane->viewport()->grab(); // lays the page out and paints it, asking for everything
            const QVariant loaded = pane->document()->resource(
                picture ? QTextDocument::ImageResource : QTextDocument::StyleSheetResource,
                QUrl(src));
            QVERIFY2((picture ? loaded.value<QPixmap>().width() >= kPictureWidth
                              : loaded.toString().contains(QLatin1String("#123456"))) == shown,
                     qPrintable(page + ' ' + src));
        }
        for (const QString& target : {at("W1AW/fifo.png"), QStringLiteral("/dev/zero"), at("W1AW"),
                                      at("W1AW/none.htm"), at("W1AW/hello.htm")}) {
            w.loadBrowserPage(0, at("W1AW/hello.htm"));
            w.loadBrowserPage(0, target);
            QCOMPARE(pane->toPlainText(), target.endsWith("hello.htm") ? "hello" : "");
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
