// The window's new parts the way the operator uses them: Settings > Log Sessions by its keys, and
// Stop in the progress of a paced Send File.
#include "MainWindow.h"
#include "SendProgressDialog.h"
#include "StationHarness.h"
#include "StationWiring.h"
#include "TestFiles.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

// Its engine counts frames and finds every one gone out whenever asked.
struct EmptyingEngine : RecordingEngine {
    bool reportsOutstanding() const override { return true; }
    std::optional<quint32> takeOutstanding(const QByteArray&) override { return 0; }
};

class SendProgressTest : public QObject {
    Q_OBJECT
private slots:
    void logSessionsThenStopASend() {
        useScratchConfigHome();
        StationHarness h;
        EmptyingEngine e;
        MainWindow w;
        Station station({h.state, w, e, h.prompts, h.beeper, h.clock, h.timer, h.store});
        connectWindowToStation(w, station);
        h.store.setCallSign(QStringLiteral("N0ME"));
        station.startUp();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
        QTest::keyClick(static_cast<QWidget*>(nullptr),
                        Qt::Key_L); // to the Settings menu that opened
        QVERIFY(h.store.logSessions() && w.action(QStringLiteral("mnuLogSessions"))->isChecked());

        e.queue('c', "N0BBB", "*** CONNECTED To Station N0BBB\r");
        station.tick();
        e.sent.clear();
        h.prompts.files = {h.programDir.filePath(QStringLiteral("upload.txt"))};
        QVERIFY(writeFileBytes(h.prompts.files.front(), QByteArray(1000, 'x')));
        w.action(QStringLiteral("mnuSendFile"))->trigger();
        station.tick();
        station.tick();
        auto* dialog = w.findChild<SendProgressDialog*>();
        QVERIFY(dialog && QTest::qWaitForWindowActive(dialog));
        QCOMPARE(dialog->bar()->value(), 80 * e.sent.size());
        QTest::mouseClick(dialog->stopButton(), Qt::LeftButton);
        const qsizetype sent = e.sent.size();
        for (int tick = 0; tick < 4; ++tick)
            station.tick();
        QCOMPARE(e.sent.size(), sent);
        QVERIFY(dialog->isHidden());
        QVERIFY(w.statusBar()->currentMessage().startsWith("upload.txt to N0BBB stopped after"));
    }
};

QTEST_MAIN(SendProgressTest)
#include "tst_sendprogress.moc"
