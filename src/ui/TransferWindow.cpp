#include "TransferWindow.h"

#include "TextRoutines.h"
#include "YappTransfers.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString count(qint64 n) {
    return groupedCount(quint64(qMax<qint64>(0, n)));
}

QString duration(qint64 seconds) {
    return seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60)
                         : QStringLiteral("%1 s").arg(seconds);
}
} // namespace

TransferWindow::TransferWindow(int channel, QWidget* parent) : QDialog(parent), m_channel(channel) {
    setObjectName(objectNameFor(channel));
    setWindowTitle(QStringLiteral("Binary File (YAPP), channel %1").arg(channel + 1));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lblTransfer"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("prgTransfer"));
    m_bar->setAccessibleName(QStringLiteral("Part of the file transferred"));
    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("lblTransferFigures"));
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setObjectName(QStringLiteral("cmdStopTransfer"));
    m_stop->setAccessibleName(QStringLiteral("Stop the transfer"));
    m_stop->setDefault(true);
    connect(m_stop, &QPushButton::clicked, this, [this] { emit stopClicked(m_channel); });
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{m_title, m_bar, m_figures})
        layout->addWidget(w);
    layout->addWidget(m_stop, 0, Qt::AlignHCenter);
    resize(sizeHint().expandedTo(QSize(420, 0)));
}

QString TransferWindow::objectNameFor(int channel) {
    return QStringLiteral("frmTransfer%1").arg(channel + 1);
}

QString TransferWindow::figures() const {
    return m_figures->text();
}

void TransferWindow::showProgress(const TransferProgress& p) {
    m_title->setText(p.sending ? QStringLiteral("Sending %1 to %2").arg(p.file, p.call)
                               : QStringLiteral("Receiving %1 from %2").arg(p.file, p.call));
    // A bar counts in ints; the figures below give the bytes.
    const int scale = p.total > (1 << 30) ? 1024 : 1;
    m_bar->setRange(0, int(qMax<qint64>(1, p.total / scale)));
    m_bar->setValue(int(qMin(p.done, qMax<qint64>(1, p.total)) / scale));
    QString text = QStringLiteral("%1 of %2 bytes").arg(count(p.done), count(p.total));
    const qint64 moved = p.done - p.doneAtStart;
    if (p.running && p.elapsedMs >= 1000 && moved > 0) {
        const qint64 rate = moved * 1000 / p.elapsedMs;
        text += QStringLiteral(", %1 bytes/s").arg(count(rate));
        if (rate > 0)
            text += QStringLiteral(", %1 left").arg(duration((p.total - p.done) / rate));
    }
    if (!p.running)
        text += QStringLiteral(", ended");
    m_figures->setText(text);
    m_stop->setEnabled(p.running);
    if (!m_opened && p.running) {
        m_opened = true;
        show();
        raise();
    }
    if (!p.running)
        m_opened = false;
}
