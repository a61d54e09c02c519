// The real station and window over an in-process engine, for check_a11y.py and the focus test: it
// says "ready" once registered and in front, then acts on one command a line from its input.

#include "SendProgressDialog.h"
#include "WindowRig.h"

#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    useScratchConfigHome();
    Rig rs;
    rs.station.startUp();
    rs.h.state.moveToFront = false, rs.w.setMenuChecked(MenuCheck::MoveToFront, false);
    // Without a window manager the first requests to come forward can go unheard.
    for (int i = 0; i < 100 && !rs.w.isActiveWindow(); ++i)
        rs.w.bringToFront(), (void)qWaitForWindowActive(&rs.w, 200);
    QTimer ticks; // what is said goes out on the station's ticks, paced by its clock
    QObject::connect(&ticks, &QTimer::timeout, &app,
                     [&rs] { rs.h.clock.when = QDateTime::currentDateTime(), rs.station.tick(); });
    ticks.start(100);

    const auto run = [&](const QStringList& words) {
        const QString &what = words.first(), call = words.value(1);
        if (what == u"connect")
            rs.arrive('c', call.toLatin1(), "*** CONNECTED With Station " + call.toLatin1() + '\r');
        else if (what == u"line" || what == u"heard") // heard: a monitored frame, | for a CR
            rs.arrive(what == u"line" ? 'D' : 'U', call.toLatin1(),
                      words.mid(2).join(u' ').replace(u'|', u'\r').toLatin1() + '\r');
        else if (what == u"flood") // flood CALL N: N lines, one each 40 ms
            for (int i = 1, count = words.value(2).toInt(); i <= count; ++i)
                QTimer::singleShot(
                    40 * i, &rs.w,
                    [&rs, call,
                     line = u"flood line %1 of %2\r"_s.arg(i, 2, 10, QChar(u'0')).arg(count)] {
                        rs.arrive('D', call.toLatin1(), line.toLatin1());
                    });
        else if (what == u"enginegone")
            rs.e.attached = false;
        else if (what == u"status") // the engine's state, as the status line shows it
            std::printf("status %s\n",
                        qPrintable(rs.w.findChild<QLabel*>("lblEngineState")->text()));
        else if (what == u"notice") // a mark in what is said: all said before it was said
            rs.w.showNotice(words.mid(1).join(u' '));
        else if (what == u"action") // a modal one runs its own loop: let this handler end first
            QTimer::singleShot(0, &rs.w, [&rs, call] { rs.w.action(call)->trigger(); });
        else if (what == u"window") // the X window, for tools that look at the stacking order
            std::printf("window %llu\n", static_cast<unsigned long long>(rs.w.winId()));
        else if (what == u"sent") { // everything that went to the engine, on one line
            QByteArray all = "sent ";
            for (const auto& frame : rs.e.sent)
                all += frame.data;
            std::puts(all.replace('\r', '|').constData());
        } else if (what == u"sendfile")
            (new SendProgressDialog(&rs.w))->showProgress({u"upload.txt"_s, call, 320, 1000, true});
        else
            app.quit();
        std::fflush(stdout);
    };
    QByteArray pending;
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char read[4096];
        const ssize_t n = ::read(0, read, sizeof read);
        if (n <= 0)
            return app.quit(); // the test ended
        pending.append(read, n);
        // Taken off before it runs: a command may run the event loop and read the next one.
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QString line = QString::fromLatin1(pending.left(end));
            pending.remove(0, end + 1);
            run(line.split(u' '));
        }
    });
    std::puts("ready"), std::fflush(stdout);
    return app.exec();
}
