// The real station and window against a fake engine on 127.0.0.1, for check_a11y.py: it says
// "ready" once registered, then acts on one command a line from its input.

#include "AgwTcpLink.h"
#include "FakeEngine.h"
#include "MainWindow.h"
#include "QtPlatform.h"
#include "QtSeams.h"
#include "SendFile.h"
#include "SendProgressDialog.h"
#include "StationHarness.h"
#include "StationWiring.h"

#include <QAction>
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    useScratchConfigHome();
    StationHarness h;
    h.store.setCallSign(QStringLiteral("N0ME"));
    FakeEngine engine;
    AgwTcpLink link(QStringLiteral("127.0.0.1"), engine.port());
    SystemClock clock;
    MainWindow window;
    QtPrompts prompts; // the real dialogs, the connect list among them
    prompts.setParentWidget(&window);
    std::optional<Station> live;
    QtPollTimer timer([&live] { live ? live->tick() : void(); });
    live.emplace(StationContext{h.state, window, link, prompts, h.beeper, clock, timer, h.store});
    connectWindowToStation(window, *live);
    QObject::connect(&link, &AgwTcpLink::bytesArrived, &*live, &Station::onFramesArrived);
    live->startUp();
    h.state.moveToFront = false;

    const auto send = [&engine](char kind, const QString& call, const QString& data) {
        engine.send({0, kind, quint8(kind == 'C' ? 0 : 0xF0), call.toLatin1(), "N0ME",
                     data.toLatin1() + '\r'});
    };
    QByteArray pending;
    QSocketNotifier input(0, QSocketNotifier::Read);
    const auto run = [&](const QStringList& words) {
        const QString& what = words.first();
        const QString call = words.value(1);
        if (what == u"connect")
            send('C', call, QStringLiteral("*** CONNECTED With Station ") + call);
        else if (what == u"line")
            send('D', call, words.mid(2).join(u' '));
        else if (what == u"action") // a modal one runs its own loop: let this handler end first
            QTimer::singleShot(0, &window, [&window, call] { window.action(call)->trigger(); });
        else if (what == u"sendfile")
            (new SendProgressDialog(&window))
                ->showProgress({QStringLiteral("upload.txt"), call, 320, 1000, true});
        else if (what == u"front")
            window.bringToFront();
        else
            app.quit();
    };
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char read[4096];
        const ssize_t n = ::read(0, read, sizeof read);
        if (n <= 0)
            return app.quit(); // the test ended
        pending.append(read, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            run(QString::fromLatin1(pending.left(end)).split(u' '));
    });
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &app, [&] {
        if (!timer.isActive() || !window.isActiveWindow())
            return window.bringToFront();
        ready.stop();
        std::printf("ready\n");
        std::fflush(stdout);
    });
    ready.start(100);
    return app.exec();
}
