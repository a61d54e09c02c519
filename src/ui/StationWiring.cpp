#include "StationWiring.h"

#include "HeardListWindow.h"
#include "MainWindow.h"
#include "MonitorFilterDialog.h"
#include "OperatingDialog.h"
#include "SendProgressDialog.h"
#include "Station.h"

void connectWindowToStation(MainWindow& window, Station& station) {
    using W = MainWindow;
    using S = Station;
    window.follow(station.texts());
    QObject::connect(&window, &W::sendLineEdited, &station, &S::onSendLineChanged);
    QObject::connect(&window, &W::sendLineEntered, &station, &S::onSendLineEnter);
    QObject::connect(&window, &W::sendLineRecalled, &station, &S::onRecall);
    QObject::connect(&window, &W::tabSelected, &station, &S::onTabSelected);
    QObject::connect(&window, &W::browserDisplayClicked, &station, &S::onBrowserDisplayClicked);
    QObject::connect(&window, &W::conferenceClicked, &station, &S::onConferenceClicked);
    QObject::connect(&window, &W::retryClicked, &station, &S::onRetryClicked);
    QObject::connect(&window, &W::menuCheckChosen, &station, &S::onMenuCheck);
    QObject::connect(&window, &W::sendFileChosen, &station, &S::onSendFileMenu);
    QObject::connect(&window, &W::exitChosen, &station, &S::requestExit);
    QObject::connect(&window, &W::callSignChosen, &station, &S::onCallSignMenu);
    QObject::connect(&window, &W::portChosen, &station, &S::onPortMenu);
    QObject::connect(&window, &W::engineAddressChosen, &station, &S::onEngineAddressMenu);
    QObject::connect(&window, &W::beaconTextChosen, &station, &S::onChangeBeaconTextMenu);
    QObject::connect(&window, &W::weatherPathChosen, &station, &S::onWeatherPathMenu);
    QObject::connect(&window, &W::connectListChosen, &station, &S::onConnectMenu);
    QObject::connect(&window, &W::linkFollowed, &station, &S::onLinkClicked);
    QObject::connect(&window, &W::activated, &station, &S::onActivated);
    QObject::connect(&window, &W::zoomChosen, &station, &S::onZoom);
    // What the status line shows is also said, by the one policy that bounds what is said.
    station.announcer().setOutput(&window.announcements());
    QObject::connect(&window, &W::noticeShown, &station,
                     [&station](const QString& text) { station.announcer().notice(text); });
    // The progress dialog is made when a paced send first needs it.
    QObject::connect(&station.fileSender(), &FileSender::progress, &window,
                     [&window, &station](const FileSendProgress& progress) {
                         auto* dialog = window.findChild<SendProgressDialog*>();
                         if (!dialog) {
                             dialog = new SendProgressDialog(&window);
                             QObject::connect(dialog, &SendProgressDialog::stopClicked, &station,
                                              &S::onStopSendFile);
                         }
                         dialog->showProgress(progress);
                     });

    // The heard list and the monitor filter are made when first asked for.
    QObject::connect(&window, &W::heardListChosen, &station, [&window, &station] {
        auto* heard = window.findChild<HeardListWindow*>();
        if (!heard) {
            heard = new HeardListWindow(station.heard(), &window);
            QObject::connect(heard, &HeardListWindow::callChosen, &station, &S::onHeardCallChosen);
        }
        heard->open();
    });
    QObject::connect(&window, &W::monitorFilterChosen, &station, [&window, &station] {
        auto* dialog = window.findChild<MonitorFilterDialog*>();
        if (!dialog) {
            dialog = new MonitorFilterDialog(&window);
            QObject::connect(dialog, &MonitorFilterDialog::filterChosen, &station,
                             &S::onMonitorFilterChosen);
        }
        dialog->showFilter(station.monitorFilter());
    });
    QObject::connect(&window, &W::optionsChosen, &station, [&window, &station] {
        auto* dialog = window.findChild<OperatingDialog*>();
        if (!dialog) {
            dialog = new OperatingDialog(&window);
            QObject::connect(dialog, &OperatingDialog::optionsChosen, &station,
                             &S::onOperatingChosen);
        }
        dialog->showOptions(station.context().state.operating);
    });
}
