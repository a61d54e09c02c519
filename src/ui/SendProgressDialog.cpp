#include "SendProgressDialog.h"

#include "FileSender.h"
#include "ScreenRatio.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {
// In twips, after the data dialog: a line of text, the bar below it, the button centred under.
constexpr QSize kClient(4680, 1320);
constexpr QRect kText(120, 120, 4455, 285);
constexpr QRect kBar(120, 480, 4455, 285);
constexpr QRect kStop(1740, 840, 1215, 375);
} // namespace

SendProgressDialog::SendProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSendFile"));
    setWindowTitle(QStringLiteral("Send File"));
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lblSendFile"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("prgSendFile"));
    m_bar->setAccessibleName(QStringLiteral("Part of the file sent"));
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setObjectName(QStringLiteral("cmdStop"));
    m_stop->setDefault(true);
    connect(m_stop, &QPushButton::clicked, this, &SendProgressDialog::stopClicked);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        fitToScreen(screen->size());
}

void SendProgressDialog::fitToScreen(QSize screenPixels) {
    fitDialogToScreen(this, kClient, screenPixels,
                      {{m_text, kText}, {m_bar, kBar}, {m_stop, kStop}});
}

void SendProgressDialog::showProgress(const FileSendProgress& progress) {
    if (!progress.running) {
        m_opened = false;
        hide();
        return;
    }
    m_text->setText(QStringLiteral("Sending %1 to %2").arg(progress.file, progress.to));
    // A bar's range is an int; files are at most a few megabytes.
    m_bar->setRange(0, int(qMax<qint64>(1, progress.total)));
    m_bar->setValue(int(qMin(progress.sent, qMax<qint64>(1, progress.total))));
    if (!m_opened) {
        m_opened = true;
        show();
        raise();
        activateWindow();
    }
}
