#include "CloseOnSignal.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_wakeFd[2] = {-1, -1};
volatile sig_atomic_t g_signalled = 0;

// Only async-signal-safe calls here: the close itself runs in the event loop.
extern "C" void onTerminationSignal(int signal) {
    if (g_signalled)
        _exit(128 + signal);
    g_signalled = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_wakeFd[1], &byte, 1);
}
} // namespace

void closeOnTerminationSignals(QObject* owner, std::function<void()> close) {
    if (pipe(g_wakeFd) != 0)
        return;
    for (int fd : g_wakeFd) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(g_wakeFd[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [notifier, close = std::move(close)] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t got = read(g_wakeFd[0], &byte, 1);
                         notifier->setEnabled(false);
                         close();
                     });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}
#else
void closeOnTerminationSignals(QObject*, std::function<void()>) {}
#endif
