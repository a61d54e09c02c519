// The main window's menu bar: each entry emits the window's signal for it.

#include "MainWindow.h"

#include "MenuBarChecks.h"
#include "MonitorWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>

QAction* MainWindow::addCheckAction(QMenu* menu, const QString& name, const QString& text,
                                    MenuCheck item) {
    QAction* act = menu ? menu->addAction(text) : menuBar()->addAction(text);
    act->setObjectName(name);
    act->setCheckable(true);
    m_checks.insert(item, act);
    // The station owns the mark: it flips its flag and sets the mark back here.
    connect(act, &QAction::triggered, this, [this, item] { emit menuCheckChosen(item); });
    if (!menu)
        MenuBarChecks::showMark(menuBar(), act);
    return act;
}

void MainWindow::buildMenus() {
    auto named = [](QAction* act, const char* name) {
        act->setObjectName(QString::fromLatin1(name));
        return act;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(named(file->addAction(QStringLiteral("&Send File")), "mnuSendFile"),
            &QAction::triggered, this, &MainWindow::sendFileChosen);
    connect(
        named(file->addAction(QStringLiteral("Send &Binary File (YAPP)...")), "mnuSendBinaryFile"),
        &QAction::triggered, this, &MainWindow::sendBinaryFileChosen);
    connect(named(file->addAction(QStringLiteral("&Exit")), "mnuExit"), &QAction::triggered, this,
            [this] {
                emit exitChosen();
                QApplication::exit(0);
            });

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Settings"));
    connect(named(settings->addAction(QStringLiteral("&Call Sign")), "mnuCallsign"),
            &QAction::triggered, this, &MainWindow::callSignChosen);
    connect(named(settings->addAction(QStringLiteral("&Port")), "mnuPort"), &QAction::triggered,
            this, &MainWindow::portChosen);
    connect(named(settings->addAction(QStringLiteral("&Engine Address")), "mnuEngineAddress"),
            &QAction::triggered, this, &MainWindow::engineAddressChosen);
    addCheckAction(settings, QStringLiteral("mnuLogSessions"), QStringLiteral("&Log Sessions"),
                   MenuCheck::LogSessions);
    buildAnnounceMenu(settings);
    connect(named(settings->addAction(QStringLiteral("&Options...")), "mnuOptions"),
            &QAction::triggered, this, &MainWindow::optionsChosen);

    QMenu* html = menuBar()->addMenu(QStringLiteral("&HTML"));
    addCheckAction(html, QStringLiteral("mnuClearHTMLData"),
                   QStringLiteral("&Clear Data on New Page"), MenuCheck::ClearHtmlData);
    addCheckAction(html, QStringLiteral("mnuDisplayBrowseronStart"),
                   QStringLiteral("&Display Browser on Startup"), MenuCheck::DisplayBrowserOnStart);

    QMenu* beacon = menuBar()->addMenu(QStringLiteral("&Beacon"));
    addCheckAction(beacon, QStringLiteral("mnuBeaconOn"), QStringLiteral("&Beacon On"),
                   MenuCheck::BeaconOn);
    connect(named(beacon->addAction(QStringLiteral("&Change Beacon Text")), "mnuChangeBeaconText"),
            &QAction::triggered, this, &MainWindow::beaconTextChosen);

    QMenu* weather = menuBar()->addMenu(QStringLiteral("&Weather"));
    addCheckAction(weather, QStringLiteral("mnuWeatherDataOn"),
                   QStringLiteral("&Send Weather Data"), MenuCheck::WeatherDataOn);
    connect(named(weather->addAction(QStringLiteral("&EnterPath for Weather Data File")),
                  "mnuWeatherDataPath"),
            &QAction::triggered, this, &MainWindow::weatherPathChosen);

    connect(named(menuBar()->addAction(QStringLiteral("&Connect")), "mnuPreviousConnections"),
            &QAction::triggered, this, &MainWindow::connectListChosen);
    addCheckAction(nullptr, QStringLiteral("mnuMoveToFront"),
                   QStringLiteral("&Move Form to Front with Data"), MenuCheck::MoveToFront);
    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* find = named(view->addAction(QStringLiteral("&Find")), "mnuFind");
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, &MainWindow::findInFront);
    connect(named(view->addAction(QStringLiteral("&Monitor Info")), "mnuMonitorInfo"),
            &QAction::triggered, this, [this] {
                MonitorWindow* monitor = monitorWindow();
                monitor->show();
                monitor->raise();
            });
    QAction* heard = named(view->addAction(QStringLiteral("&Heard List")), "mnuHeardList");
    heard->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(heard, &QAction::triggered, this, &MainWindow::heardListChosen);
    QAction* filter = named(view->addAction(QStringLiteral("Monitor Fil&ter")), "mnuMonitorFilter");
    filter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(filter, &QAction::triggered, this, &MainWindow::monitorFilterChosen);
    connect(named(view->addAction(QStringLiteral("&Notices")), "mnuNotices"), &QAction::triggered,
            this, &MainWindow::showNoticesWindow);
    m_checks[MenuCheck::ClearHtmlData]->setChecked(true);
    m_checks[MenuCheck::MoveToFront]->setChecked(true);
    m_checks[MenuCheck::BeaconOn]->setChecked(true);
}
