#include "ConnectDialog.h"

#include <QListWidget>
#include <QPushButton>

ConnectDialog::ConnectDialog(const QStringList& entries, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Connect To:"));
    // Designed at 1815 x 5565 twips on the reference screen.
    setFixedSize(121, 371);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setGeometry(8, 8, 105, 342);
    m_list->setSortingEnabled(true);
    m_list->addItems(entries);
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("Command1"));
    done->setGeometry(32, 352, 57, 17);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    // A mouse click or a keyboard move both pick, as the list always did.
    connect(m_list, &QListWidget::itemClicked, this, &ConnectDialog::pick);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && m_list->hasFocus())
            pick();
    });
}

void ConnectDialog::pick() {
    if (QListWidgetItem* item = m_list->currentItem())
        m_picked = item->text();
    accept();
}
