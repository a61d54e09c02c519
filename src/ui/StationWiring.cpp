#include "StationWiring.h"

#include "HeardListWindow.h"
#include "MainWindow.h"
#include "MonitorFilterDialog.h"
#include "OperatingDialog.h"
#include "SendProgressDialog.h"
#include "Station.h"
#include "TextRoutines.h"
#include "TransferWindow.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

// A window a transfer, made when its channel first has one; the operator's question is not modal:
// receiving goes on while it is open.
void connectTransfers(MainWindow& window, YappTransfers& transfers) {
    QObject::connect(&transfers, &YappTransfers::progress, &window,
                     [&window, &transfers](const TransferProgress& progress) {
                         auto* shown = window.findChild<TransferWindow*>(
                             TransferWindow::objectNameFor(progress.channel));
                         if (!shown) {
                             shown = new TransferWindow(progress.channel, &window);
                             QObject::connect(shown, &TransferWindow::stopClicked, &transfers,
                                              &YappTransfers::stop);
                         }
                         shown->showProgress(progress);
                     });
    QObject::connect(
        &transfers, &YappTransfers::offered, &window,
        [&window, &transfers](int channel, const QString& call, const QString& file, qint64 size) {
            const QString name = QStringLiteral("msgOffer%1").arg(channel + 1);
            delete window.findChild<QMessageBox*>(name); // an offer that went unanswered
            auto* box =
                new QMessageBox(QMessageBox::Question, QStringLiteral("Binary File Offered"),
                                QStringLiteral("%1 offers %2 (%3 bytes) on channel %4.")
                                    .arg(call, file, groupedCount(quint64(size)))
                                    .arg(channel + 1),
                                QMessageBox::NoButton, &window);
            box->setObjectName(name);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false); // the operator goes on typing while deciding
            QPushButton* accept =
                box->addButton(QStringLiteral("&Accept"), QMessageBox::AcceptRole);
            QPushButton* refuse =
                box->addButton(QStringLiteral("&Refuse"), QMessageBox::RejectRole);
            box->setEscapeButton(refuse);
            QObject::connect(box, &QMessageBox::buttonClicked, &transfers,
                             [&transfers, channel, accept](QAbstractButton* button) {
                                 transfers.answer(channel, button == accept);
                             });
            box->show();
        });
}

} // namespace

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
    QObject::connect(&window, &W::sendBinaryFileChosen, &station, &S::onSendBinaryFileMenu);
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

    connectTransfers(window, station.transfers());

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
