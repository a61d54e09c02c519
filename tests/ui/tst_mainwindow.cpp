// The real window, dialogs and page panes, offscreen, over a station and an in-process engine.

#include "DataDialog.h"
#include "FindBar.h"
#include "HeardListWindow.h"
#include "MonitorWindow.h"
#include "PagePane.h"
#include "PaneResources.h"
#include "SendProgressDialog.h"
#include "StationTexts.h"
#include "TestFiles.h"
#include "TextViews.h"
#include "WindowRig.h"

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    // No engine: a message and a retry. Air messages don't block: one per station and page, few.
    void noEngineThenAirMessages() {
        Rig rs;
        rs.e.defaultStartResult = 0;
        QString message;
        onNextModal(
            [&](QWidget* box) { message = box->property("text").toString(), box->close(); });
        rs.station.startUp();
        QCOMPARE(message, "Cannot connect to AGW Packet Engine.  Please start the AGW packet "
                          "engine and try connecting again.\n\nTried 127.0.0.1:8000.\nThe "
                          "address is set in Settings > Engine Address.");
        QVERIFY(rs.w.retryButton()->isVisible() && !rs.h.timer.active);
        rs.e.defaultStartResult = 1;
        click(rs.w.retryButton());
        QVERIFY(rs.e.registrations.size() == 2 && rs.h.timer.active &&
                !rs.w.retryButton()->isVisible());
        const auto open = [&](const QByteArrayList& pages) {
            for (const QByteArray& page : pages)
                rs.e.queue('D', "N0BBB", "<PRH" + page + ">\r");
            rs.receive();
            QList<QMessageBox*> boxes = rs.w.findChildren<QMessageBox*>();
            boxes.removeIf([](QMessageBox* box) { return !box->isVisible(); });
            return boxes;
        };
        rs.e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        QCOMPARE(open(QByteArrayList(20, "index") << "other").size(), 2);
        QVERIFY(!QApplication::activeModalWidget()); // the window still takes the operator's keys
        const QList<QMessageBox*> boxes = open({"p0", "p1", "p2", "p3", "p4", "p5", "p6", "p7"});
        QCOMPARE(boxes.size(), QtPrompts::kMaxOpenNotices);
        for (QMessageBox* box : boxes)
            box->accept();
        QTRY_COMPARE(open({}).size(), 0);
        // A file offered by YAPP: the operator is asked.
        rs.e.queue('D', "N0BBB", "\x05\x01"), rs.arrive('D', "N0BBB", {"\x01\x08x.bin\0003", 10});
        const QList<QMessageBox*> offer = open({});
        QVERIFY(offer.size() == 1 &&
                offer[0]->text() == "N0BBB offers x.bin (3 bytes) on channel 1.");
        keyClick(offer[0], Qt::Key_Escape); // refuses
        QVERIFY(rs.e.sent.last().data.startsWith('\x15'));
    }

    // Focusing the connect list picks nothing; a key or click picks; Escape connects none.
    void connectListWaitsForAPick() {
        using Case = std::tuple<Qt::Key, int, const char*>; // no key: a click on row
        const Case cases[] = {{Qt::Key_Down, 0, "ALPHA"}, {Qt::Key_Escape, 0, ""}, {{}, 2, "ZULU"}};
        for (const auto& [key, row, picked] : cases) {
            Rig rs;
            QVERIFY(rs.up());
            QVERIFY(writeFileBytes("PacketConnects.lst", "\"ZULU\"\r\n\"N0BBB\"\r\n\"ALPHA\"\r\n"));
            bool openAfterFocus = false;
            onNextModal([&, key = key, row = row](QWidget* dialog) {
                auto* list = dialog->findChild<QListWidget*>();
                list->setFocus(Qt::TabFocusReason);
                QApplication::processEvents();
                openAfterFocus = dialog->isVisible() && rs.e.sent.isEmpty();
                if (key)
                    keyClick(list, key);
                else
                    click(list->viewport(), list->visualItemRect(list->item(row)).center());
            });
            QMenuBar* bar = rs.w.menuBar();
            click(bar, bar->actionGeometry(rs.w.action("mnuPreviousConnections")).center());
            const auto c = std::ranges::find(rs.e.sent, 'C', &RecordingEngine::Sent::kind);
            QVERIFY(openAfterFocus);
            QCOMPARE(c == rs.e.sent.cend() ? QByteArray() : c->destination, picked);
        }
    }

    // A command link runs as written, colons and all, clicked or by Tab and Return or Enter.
    void commandLinksRunTheirCommand() {
        using Case = std::tuple<const char*, QKeyCombination, const char*>; // no key: a click
        const Case cases[] = {
            {"<PRHCMD:C N0QQQ>", {}, "C N0QQQ "},
            {"<PRHCMD:D>", {}, "d N0BBB "},
            {"<PRHCMD:U 50%41 off>", Qt::Key_Return, "M CQ 50%41 off\r"},
        };
        for (const auto& [href, key, expected] : cases) {
            Rig rs;
            QVERIFY(rs.up());
            rs.h.state.selectedCall = "N0BBB";
            const QString page = rs.h.state.programDir + "/cmd.htm";
            QVERIFY(writeFileBytes(page, "<html><a href='" + QByteArray(href) + "'>go there</a>"));
            rs.w.showBrowser(0, true);
            rs.w.loadBrowserPage(0, page);
            if (QByteArray(href).contains(":U"))
                onNextModal([](QWidget* ask) { // "To Whom?"
                    qobject_cast<QInputDialog*>(ask)->setTextValue("CQ");
                    qobject_cast<QDialog*>(ask)->accept();
                });
            QTextBrowser* pane = rs.w.browser(0);
            QTextCursor link = pane->document()->find("go there");
            link.setPosition(link.selectionStart() + 2);
            pane->setFocus();
            if (key.key() != Qt::Key_unknown)
                press(pane, {Qt::Key_Tab, key});
            else
                click(pane->viewport(), pane->cursorRect(link).center());
            const auto sent = rs.e.sent.value(0);
            QCOMPARE(char(sent.kind) + (' ' + sent.destination + ' ' + sent.data), expected);
        }
    }

    // A stored conference shows ticked; Display Browser shows the channel's pane instead of its
    // view.
    void checkBoxesShowAndAct() {
        Rig rs;
        rs.h.store.setValue(SettingsStore::kConference, "1");
        QVERIFY(rs.up() && rs.w.findChild<QCheckBox*>("chkConf")->isChecked());
        auto* box = rs.w.findChild<QCheckBox*>("chkBrowserDisplay");
        QPlainTextEdit* view = rs.w.textView(TextView::Channel0);
        click(box);
        QVERIFY(rs.h.state.channels.paneShown(0) && box->isChecked() && !view->isVisible());
        rs.station.texts().append(TextView::Channel0, "line\r\n");
        view->moveCursor(QTextCursor::Start), click(box), QCoreApplication::processEvents();
        // Back to the text, read from its end.
        QVERIFY(!box->isChecked() && view->isVisible() && view->textCursor().atEnd());
        view->moveCursor(QTextCursor::Start); // and so does bringing channel 1's tab back
        rs.w.tabs()->setCurrentIndex(1), rs.w.tabs()->setCurrentIndex(0);
        QTRY_VERIFY(view->textCursor().atEnd());

        QMenuBar* bar = rs.w.menuBar(); // pressed, it lights up as any item on the bar does
        const QRect item = bar->actionGeometry(rs.w.action("mnuMoveToFront"));
        const QPoint at(item.left() + 2, item.center().y()); // beside its mark and caption
        mousePress(bar, Qt::LeftButton, {}, at);
        const QImage pressed = bar->grab(QRect(at, QSize(1, 1))).toImage();
        mouseRelease(bar, Qt::LeftButton, {}, at);
        QCOMPARE(pressed.pixelColor(0, 0), bar->palette().highlight().color());
    }

    // A bounded view and its mirror show exactly the text the station keeps, wherever it cuts.
    void boundedViewsShowExactlyTheirText_data() {
        addColumn<QStringList>("appends");
        QStringList lines;
        for (int i = 0; i < 400; ++i)
            lines << QString::number(i) + "Fm N0XX To APRS <UI> monitored\r\n";
        newRow("lines over the bound") << lines;
        newRow("bare CRs") << QStringList(300, "cr only\r" + QString(30, u'x'));
        // 10 001 characters: the cut of 1 001 falls between a CR and its LF, or just after a CR.
        const QString head(BoundedText::kLimit - BoundedText::kKeep, u'a');
        newRow("cut in a CR LF") << QStringList{head + "\r\n" + QString(8993, u'b'), "tail\r\n"};
        newRow("cut after a bare CR") << QStringList{head + "\r" + QString(8994, u'b'), "tail\r\n"};
        newRow("one long append") << QStringList{QString(25000, u'z')};
        newRow("frames of lines") << QStringList(200, " 1:Fm N0XX To APRS\r\nDX de N0XX\r\r\n");
    }
    void boundedViewsShowExactlyTheirText() {
        QFETCH(QStringList, appends);
        MainWindow w;
        StationTexts texts;
        w.follow(texts), w.show();
        for (const QString& text : appends)
            texts.append(TextView::AllTraffic, text);
        const BoundedText& strip = texts.bounded(TextView::AllTraffic);
        const auto shown = [](QString t) { return t.replace("\r\n", "\n").replace(u'\r', u'\n'); };
        QPlainTextEdit* view = w.textView(TextView::AllTraffic);
        QCOMPARE(view->toPlainText(), shown(strip.text()));
        w.tabs()->setCurrentIndex(8);
        const QPlainTextEdit* shownLater = w.textView(TextView::AllTrafficMirror); // a line a block
        QCOMPARE(shownLater->toPlainText(), shown(strip.text()));
        QCOMPARE(shownLater->blockCount(), shownLater->toPlainText().count('\n') + 1);
        keyClicks(view, "typed"); // nobody types into a view, not even through an input method
        QCOMPARE(view->toPlainText(), shown(strip.text()));
        QVERIFY(!view->testAttribute(Qt::WA_InputMethodEnabled));
    }

    // Days of traffic keep only a tail, cut where a line starts, and a bounded count of lines.
    void channelAndConferenceViewsKeepABoundedTail() {
        MainWindow w;
        const QString chunk = (QString("0123456789").repeated(4) + "\r\n").repeated(1000);
        for (int i = 0; i < 60; ++i) // 42 000 characters a write
            w.textViews().appended(TextView::Conf, chunk);
        w.textViews().appended(TextView::Conf, "the end");
        const QString conf = w.textView(TextView::Conf)->toPlainText();
        QVERIFY(conf.size() <= TextViews::kMaxViewChars &&
                conf.size() >= TextViews::kKeptViewChars);
        QVERIFY(conf.startsWith("0123456789") && conf.endsWith("89\nthe end")); // cut at a line
        w.textViews().appended(TextView::Channel0, QString(200'000, u'\r') + "last");
        QPlainTextEdit* view = w.textView(TextView::Channel0);
        QCOMPARE(view->blockCount(), TextViews::kMaxViewLines);
        QVERIFY(view->toPlainText().endsWith("\nlast"));
    }

    // Send line: Escape types a colon, Return and Enter send. The find bar's Escape types none.
    void sendLineAndFindBarKeys() {
        Rig rs;
        rs.h.state.selectedCall = "N0BBB";
        rs.h.state.channels.assign(0, "N0BBB");
        rs.w.showWindow();
        rs.station.texts().append(TextView::Channel0, "N0BBB: hello\r\nN0CCC: Hello again\r\n");
        FindBar* bar = rs.w.findBar();
        QLineEdit *line = rs.w.sendLine(), *field = bar->field();
        QPlainTextEdit* view = rs.w.textView(TextView::Channel0);
        QVERIFY(qWaitForWindowActive(&rs.w) && !bar->isVisible());
        line->setFocus();
        press(line, {Qt::Key_F6}); // F6 and Shift+F6 go round the send line and the views
        QVERIFY(view->hasFocus());
        QWidget elsewhere; // another program in front, then the station again: back in the line
        elsewhere.show(), elsewhere.activateWindow();
        QVERIFY(qWaitForWindowActive(&elsewhere) && (rs.w.activateWindow(), true));
        QVERIFY(qWaitForWindowActive(&rs.w) && line->hasFocus());
        press(line, {Qt::Key_F6});
        press(view, {Qt::SHIFT | Qt::Key_F6});
        QVERIFY(line->hasFocus());
        type(line, "hi", {Qt::Key_Escape, Qt::CTRL | Qt::Key_F});
        QTRY_VERIFY(field->hasFocus() && bar->isVisible());
        type(field, "hello");
        QVERIFY(bar->countLabel()->text() == "2 matches" && view->extraSelections().size() == 2);
        press(field, {Qt::Key_Return});
        const int first = view->textCursor().selectionStart();
        press(field, {Qt::Key_Return});
        QVERIFY(view->textCursor().selectionStart() != first);
        press(field, {Qt::SHIFT | Qt::Key_Return});
        QCOMPARE(view->textCursor().selectionStart(), first);
        press(field, {Qt::Key_Escape});
        QVERIFY(!bar->isVisible() && view->extraSelections().isEmpty());
        QTRY_VERIFY(line->hasFocus());
        QCOMPARE(line->text(), "hi:");
        press(line, {Qt::Key_Return});
        type(line, "again", {Qt::KeypadModifier | Qt::Key_Enter});
        QVERIFY(line->text().isEmpty() && rs.e.sent.size() == 2);
        QCOMPARE(rs.e.sent[0].data + rs.e.sent[1].data, QByteArray("hi:\ragain\r"));
    }

    // Double quotes cannot be typed (a preset text keeps them); Return is Done.
    void dataDialogRefusesQuotes() {
        onNextModal([](QWidget* modal) {
            type(qobject_cast<DataDialog*>(modal)->textBox(), " a\"b", {Qt::Key_Return});
        });
        QCOMPARE(QtPrompts().enterData("say \"hi\"", QString()).value_or("Cancel"),
                 "say \"hi\" ab");
    }

    // Ctrl+H and Escape move the focus there and back. A double-click fills the send line.
    void heardListByItsKeysAndADoubleClick() {
        Rig rs;
        QVERIFY(rs.up());
        rs.arrive('U', "N0XYZ", " 1:Fm N0XYZ To ID Via WIDE1-1 <UI>\rN0XYZ\r");
        HeardListWindow* heard = nullptr;
        // Taking the focus is read on a real display.
        const auto open = [&] {
            press(rs.w.sendLine(), {Qt::CTRL | Qt::Key_H});
            heard = rs.w.findChild<HeardListWindow*>();
            return heard && heard->isVisible() && heard->windowType() == Qt::Tool &&
                   (heard->activateWindow(), qWaitForWindowActive(heard)) &&
                   QApplication::topLevelAt(heard->geometry().center()) == heard;
        };
        QVERIFY(open());
        rs.h.clock.when = rs.h.clock.when.addSecs(60);
        rs.arrive('U', "N0ABC", " 1:Fm N0ABC To ID Via WIDE1-1 <UI>\rN0ABC\r");
        heard->refresh();
        QAbstractItemModel* rows = heard->table()->model();
        QVERIFY(rows->rowCount() == 2 && !rows->data(QModelIndex()).isValid());
        QCOMPARE(rows->index(0, 0).data().toString(), "N0ABC"); // newest first, not by call
        QVERIFY(heard->table()->horizontalHeader()->length() >=
                heard->table()->viewport()->width());
        press(heard->table(), {Qt::Key_Escape});
        QVERIFY(qWaitForWindowActive(&rs.w) && rs.w.sendLine()->hasFocus() && !heard->isVisible());
        const qsizetype sent = rs.e.sent.size();
        QVERIFY(open());
        const QRect cell = heard->table()->visualRect(rows->index(1, 0));
        // Through the window system, as a person's double-click comes: press, release, press.
        mouseDClick(heard->windowHandle(), Qt::LeftButton, {},
                    heard->table()->viewport()->mapTo(heard, cell.center()));
        QVERIFY(rs.w.sendLine()->text() == ":C N0XYZ" && rs.e.sent.size() == sent);
    }

    // Settings > Log Sessions by its keys, then Stop (Enter) in the progress of a paced send.
    void logSessionsThenStopASend() {
        Rig rs(true);
        QVERIFY(rs.up());
        press(&rs.w, {Qt::ALT | Qt::Key_S});
        press(nullptr, {Qt::Key_L}); // in the menu that opened
        QVERIFY(rs.h.store.logSessions() && rs.w.action("mnuLogSessions")->isChecked());
        press(&rs.w, {Qt::ALT | Qt::Key_S}), press(nullptr, {Qt::Key_A, Qt::Key_O}); // Announce Off
        QVERIFY(rs.h.store.announce() == 0 && rs.w.action("mnuAnnounceOff")->isChecked());
        rs.arrive('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        rs.e.sent.clear();
        rs.h.prompts.files = {rs.h.programDir.filePath("upload.txt")};
        QVERIFY(writeFileBytes(rs.h.prompts.files.front(), QByteArray(1000, 'x')));
        rs.w.action("mnuSendFile")->trigger();
        rs.receive(2);
        auto* dialog = rs.w.findChild<SendProgressDialog*>();
        QVERIFY(dialog && qWaitForWindowActive(dialog));
        QCOMPARE(dialog->bar()->value(), 80 * rs.e.sent.size());
        press(dialog, {Qt::Key_Return}); // Stop is what Enter does
        const qsizetype sent = rs.e.sent.size();
        rs.receive(4);
        QVERIFY(rs.e.sent.size() == sent && dialog->isHidden());
        QVERIFY(rs.w.findChild<QLabel*>("lblNotice")->text().startsWith("upload.txt to N0BBB"));
    }

    // A frame's data field shows as plain text, never as markup.
    void monitorInfoShowsPlainValues() {
        Rig rs;
        QVERIFY(rs.up());
        rs.w.action("mnuMonitorInfo")->trigger();
        MonitorWindow* monitor = rs.w.monitorWindow();
        QVERIFY(qWaitForWindowExposed(monitor));
        rs.arrive('U', "N0XYZ",
                  "<b>\x01\x7f" + QByteArray(295, 'x') +
                      QByteArray(" 1:Fm N0XYZ To CQ\r\0tail", 24));
        QApplication::processEvents();
        QLabel* data = monitor->valueLabel("lblData");
        data->setSelection(0, int(data->text().size())); // a copy has the bytes, never markup
        QVERIFY(data->text().startsWith("<b>  xx"_L1) && data->selectedText() == data->text());
    }

    // A window larger than the work area comes into it whole; one as wide as the area stays.
    void trueOnAnyScreen() {
        MainWindow w;
        const QRect area = w.screen()->availableGeometry();
        w.resize(area.size() + QSize(400, 300));
        w.move(area.topLeft() + QPoint(200, 100));
        w.showWindow();
        QVERIFY(qWaitForWindowExposed(&w) && area.contains(w.frameGeometry()));
        const QSize frame = w.frameGeometry().size() - w.size();
        w.hide(), w.resize(area.width() - frame.width(), area.height() / 2);
        w.move(area.topLeft() + QPoint(0, 100)), w.showWindow();
        QCOMPARE(w.frameGeometry().topLeft(), area.topLeft() + QPoint(0, 100));
    }

    // Only a plain relative name below the page's folder passes, never into the program folder.
    void paneResources() {
        const auto allowed = [](const QString& name, const QString& pageDir = "/prog/W1AW") {
            return PaneResources::allowedPath(QUrl(name), pageDir, "/prog");
        };
        using Row = std::pair<const char*, const char*>; // name, file in the page's folder
        for (auto [name, file] : {Row{"pic.gif", "pic.gif"}, Row{"img/pic.gif", "img/pic.gif"},
                                  Row{"./pic.gif", "pic.gif"}, Row{"my%20pic.gif", "my pic.gif"}})
            QCOMPARE(allowed(name), "/prog/W1AW/" + QLatin1String(file));
        QCOMPARE(allowed("W1AW/pic.gif", "/prog"), "/prog/W1AW/pic.gif"); // a channel's page
        for (const char* pageDir : {"/prog", "/elsewhere", "/prog2/W1AW"})
            QVERIFY2(allowed("pic.gif", pageDir).isEmpty(), pageDir);
        const QStringList hostile =
            QString(
                "/dev/zero /prog/W1AW/pic.gif ../x.gif a/../../x a/../pic.gif %2e%2e/K2XYZ/pic.gif "
                "file:///prog/W1AW/pic.gif file:pic.gif http://example.org/pic.gif qrc:/pic.gif "
                "data:image/gif;base64,R0lGODlhAQABAAAAACw= :/pic.gif C:/pic.gif //host/pic.gif "
                "img\\pic.gif ..\\..\\pic.gif pic.gif?x pic.gif#x pic.gif%00.htm ")
                .split(' '); // the last is an empty name
        for (const QString& name : hostile)
            QVERIFY2(allowed(name).isEmpty(), qPrintable(name));

        // A page and what it pulls in show only as bounded regular files in a content folder.
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
        const QByteArray png = readFileBytes(at("top.png"));
        QVERIFY(bomb.save(at("W1AW/bomb.png"), "PNG") &&
                writeFileBytes(at("W1AW/big.png"), png + QByteArray(5 * 1024 * 1024, '\0')) &&
                writeFileBytes(at("W1AW/edge.png"), // as large as may be
                               png + QByteArray(PaneResources::kMaxFileBytes - png.size(), '\0')) &&
                writeFileBytes(at("W1AW/style.css"), "p { color: #123456 }") &&
                writeFileBytes(at("top.css"), "p { color: #123456 }") &&
                writeFileBytes(at("W1AW/hello.htm"), "<p>hello</p>") &&
                ::mkfifo(QFile::encodeName(at("W1AW/fifo.png")), 0600) == 0);
        // Links: out of the program folder, into it, to another content folder, to a device.
        for (const auto& [to, name] : {std::pair{outside.filePath("pic.png"), "out"},
                                       {at("top.png"), "up"},
                                       {at("K2XYZ/pic.png"), "in"},
                                       {QString("/dev/zero"), "dev"}})
            QVERIFY(QFile::link(to, at("W1AW/%1.png").arg(name)));
        QVERIFY(QDir::setCurrent(root)); // the start folder is the program folder
        MainWindow w;
        w.show();
        w.showBrowser(0, true);
        QTextBrowser* pane = w.browser(0);
        const QString page = "W1AW/page.htm", channel = "Channel0.htm";
        QStringList hidden =
            QString("../K2XYZ/pic.png fifo.png /dev/zero dev.png out.png up.png big.png bomb.png")
                .split(' ');
        hidden << at("W1AW/pic.png") << QUrl::fromLocalFile(at("W1AW/pic.png")).toString()
               << "data:image/png;base64," + png.toBase64();
        using Case = std::tuple<QString, bool, QStringList, QStringList>; // picture?, shown, not
        const Case cases[] = {
            {page, true, {"pic.png", "img/pic.png", "in.png", "edge.png"}, hidden},
            {channel, true, {"W1AW/pic.png"}, {"top.png"}},
            {page, false, {"style.css"}, {"fifo.png"}},
        };
        for (const auto& [page, picture, shown, missing] : cases)
            for (const QString& src : shown + missing) {
                const QString tag = picture ? "<HTML><img src='%1'>"
                                            : "<HTML><link rel=stylesheet type=text/css href='%1'>";
                QVERIFY(writeFileBytes(at(page), tag.arg(src.toHtmlEscaped()).toLatin1()));
                w.loadBrowserPage(0, at(page));
                pane->viewport()->grab(); // lays the page out and paints it, asking for everything
                const QVariant loaded = pane->document()->resource(
                    picture ? QTextDocument::ImageResource : QTextDocument::StyleSheetResource,
                    QUrl(src));
                QVERIFY2((picture ? loaded.value<QPixmap>().width() >= kPictureWidth
                                  : loaded.toString().contains("#123456")) == shown.contains(src),
                         qPrintable(page + ' ' + src));
            }
        QVERIFY(writeFileBytes(outside.filePath("secret.htm"), "SECRET") &&
                QFile::link(outside.filePath("secret.htm"), at("W1AW/link.htm")));
        for (const QString& target :
             {at("W1AW/fifo.png"), QString("/dev/zero"), at("W1AW"), at("W1AW/none.htm"),
              at("W1AW/link.htm"), at("W1AW/hello.htm")}) {
            w.loadBrowserPage(0, at("W1AW/hello.htm"));
            w.loadBrowserPage(0, target);
            QCOMPARE(pane->toPlainText(), target.endsWith("hello.htm") ? "hello" : "");
        }

        // A long page shows its newest part, says where the rest is, and takes lines as they
        // come; past twice what it shows, the pane lays the file's newest part out again.
        QByteArray long_;
        for (int i = 0; long_.size() < 3 * PagePane::kShownBytes; ++i)
            long_ += "line " + QByteArray::number(i) + '\r';
        QVERIFY(writeFileBytes(at(page), long_));
        w.loadBrowserPage(0, at(page));
        const QString shown = pane->toPlainText();
        QVERIFY2(shown.startsWith("The first ") &&
                     shown.contains(" bytes of this page are in "
                                    "page.htm only.\nline ") &&
                     shown.trimmed().endsWith(QString::fromLatin1(long_.right(12)).trimmed()),
                 qPrintable(shown.left(80)));
        w.appendToBrowserPage(0, at(page), "newest <b>bold</b>\r");
        QVERIFY(pane->toPlainText().trimmed().endsWith("newest bold"));
        w.loadBrowserPage(0, at(page));
        for (int i = 0; i < 3 * PagePane::kShownBytes / 1000; ++i)
            w.appendToBrowserPage(0, at(page), QString(999, u'x') + '\r');
        QVERIFY(pane->document()->characterCount() <= 2 * PagePane::kShownBytes + 1000);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
