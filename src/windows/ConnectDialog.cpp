#include "ConnectDialog.h"

#include "DesignedLayout.h"
#include "ScreenRatio.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

ConnectDialog::ConnectDialog(const QStringList& entries, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Connect To:"));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setSortingEnabled(true);
    m_list->addItems(entries);
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("Command1"));
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);
    // A mouse click or a keyboard move both pick, as the list always did.
    connect(m_list, &QListWidget::itemClicked, this, &ConnectDialog::pick);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && m_list->hasFocus())
            pick();
    });
    if (QScreen* screen = QGuiApplication::primaryScreen())
        fitToScreen(screen->size());
}

void ConnectDialog::fitToScreen(QSize screenPixels) {
    using namespace DesignedLayout;
    fitDialogToScreen(this, QSize(kConnectWidth, kConnectHeight), screenPixels,
                      {{m_list, kConnectList}, {m_done, kConnectDone}});
}

void ConnectDialog::pick() {
    if (QListWidgetItem* item = m_list->currentItem())
        m_picked = item->text();
    accept();
}
