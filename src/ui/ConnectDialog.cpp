#include "ConnectDialog.h"

#include "DesignedLayout.h"
#include "ScreenRatio.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

namespace {

// A list that picks only what the operator points at: a list view on its own makes its first row
// current when it gets the focus, which must not count as a choice.
class PickList : public QListWidget {
public:
    using QListWidget::QListWidget;
    bool movedByKey() const { return m_keyMove; }

protected:
    void focusInEvent(QFocusEvent* event) override {
        const bool hadCurrent = currentIndex().isValid();
        QListWidget::focusInEvent(event);
        if (!hadCurrent) {
            // The first key press then goes to the first entry, not the second.
            const QSignalBlocker quiet(this);
            setCurrentIndex(QModelIndex());
        }
    }
    void keyPressEvent(QKeyEvent* event) override {
        m_keyMove = true;
        QListWidget::keyPressEvent(event);
        m_keyMove = false;
    }

private:
    bool m_keyMove = false;
};

} // namespace

ConnectDialog::ConnectDialog(const QStringList& entries, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmConnect"));
    setWindowTitle(QStringLiteral("Connect To:"));
    auto* list = new PickList(this);
    m_list = list;
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setAccessibleName(QStringLiteral("Stations to connect to"));
    m_list->setSortingEnabled(true);
    m_list->addItems(entries);
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("Command1"));
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);
    // A mouse click or a keyboard move both pick, as the list always did.
    connect(m_list, &QListWidget::itemClicked, this, &ConnectDialog::pick);
    connect(m_list, &QListWidget::currentRowChanged, this, [this, list](int row) {
        if (row >= 0 && list->movedByKey())
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
