#include "DataDialog.h"

#include "DesignedLayout.h"
#include "ScreenRatio.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

DataDialog::DataDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDialog"));
    setWindowTitle(QStringLiteral("Please Enter Data:"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setAccessibleName(QStringLiteral("Beacon text"));
    m_text->installEventFilter(this);
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("Command1"));
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);
    m_browse = new QPushButton(QStringLiteral("Browse"), this);
    m_browse->setObjectName(QStringLiteral("Command2"));
    m_browse->hide();
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, QString(),
            QDir(m_browseFolder).filePath(QDir::fromNativeSeparators(m_text->text())),
            QStringLiteral("All Files (*)"));
        // A cancelled choice keeps what was there.
        if (!path.isEmpty())
            m_text->setText(QDir::toNativeSeparators(path));
    });
    if (QScreen* screen = QGuiApplication::primaryScreen())
        fitToScreen(screen->size());
}

void DataDialog::fitToScreen(QSize screenPixels) {
    using namespace DesignedLayout;
    fitDialogToScreen(this, QSize(kDialogWidth, kDialogHeight), screenPixels,
                      {{m_text, kDialogText}, {m_done, kDialogDone}, {m_browse, kDialogBrowse}});
}

void DataDialog::setText(const QString& text) {
    m_text->setText(text);
}

QString DataDialog::text() const {
    return m_text->text();
}

void DataDialog::setBrowseFolder(const QString& folder) {
    m_browseFolder = folder;
    const bool visible = !folder.isEmpty();
    m_browse->setVisible(visible);
    // The one dialog asks for the beacon's text, and with Browse for the weather file's path.
    m_text->setAccessibleName(visible ? QStringLiteral("Weather data file path")
                                      : QStringLiteral("Beacon text"));
}

bool DataDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            accept();
            return true;
        }
        if (key->text() == QLatin1String("\""))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
