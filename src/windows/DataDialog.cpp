#include "DataDialog.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

DataDialog::DataDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDialog"));
    setWindowTitle(QStringLiteral("Please Enter Data:"));
    // Designed at 4680 x 945 twips on the reference screen.
    setFixedSize(312, 63);
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setGeometry(8, 8, 297, 19);
    m_text->installEventFilter(this);
    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("Command1"));
    done->setGeometry(112, 32, 81, 25);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    m_browse = new QPushButton(QStringLiteral("Browse"), this);
    m_browse->setObjectName(QStringLiteral("Command2"));
    m_browse->setGeometry(224, 32, 65, 25);
    m_browse->hide();
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), m_text->text(),
                                                          QStringLiteral("All Files (*)"));
        // A cancelled choice keeps what was there.
        if (!path.isEmpty())
            m_text->setText(QDir::toNativeSeparators(path));
    });
}

void DataDialog::setText(const QString& text) {
    m_text->setText(text);
}

QString DataDialog::text() const {
    return m_text->text();
}

void DataDialog::setBrowseVisible(bool visible) {
    m_browse->setVisible(visible);
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
