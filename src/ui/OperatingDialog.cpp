#include "OperatingDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

OperatingDialog::OperatingDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QTabWidget(this);
    pages->setAccessibleName(QStringLiteral("Option pages"));
    auto* page = new QWidget(pages);
    page->setAccessibleName(QStringLiteral("Operating"));
    pages->addTab(page, QStringLiteral("Operating"));
    layout->addWidget(pages);

    auto* rows = new QVBoxLayout(page);
    const auto box = [&](const char* name, const char* text, const char* accessible) {
        auto* check = new QCheckBox(QString::fromLatin1(text), page);
        check->setObjectName(QString::fromLatin1(name));
        check->setAccessibleName(QString::fromLatin1(accessible));
        rows->addWidget(check);
        return check;
    };
    m_showMyLines =
        box("chkShowMyLines", "&Show my lines in the channel", "Show my lines in the channel");
    m_keepSendTarget = box("chkKeepSendTarget", "&Keep my send target", "Keep my send target");
    m_timeStamps = box("chkTimeStamps", "&Time stamps", "Time stamps");
    m_showMyLines->setToolTip(QStringLiteral("A plain line you send shows in its station's "
                                             "channel too, marked as yours"));
    m_keepSendTarget->setToolTip(QStringLiteral("A station that calls in does not become the "
                                                "one your lines go to"));
    m_timeStamps->setToolTip(QStringLiteral("Each received line starts with the time it came"));

    auto* form = new QFormLayout;
    m_notifications = new QComboBox(page);
    m_notifications->setObjectName(QStringLiteral("cboNotifications"));
    m_notifications->setAccessibleName(QStringLiteral("Desktop notifications"));
    m_notifications->addItems(
        {QStringLiteral("Off"), QStringLiteral("Connects"), QStringLiteral("Connects and lines")});
    auto* caption = new QLabel(QStringLiteral("Desktop &notifications:"), page);
    caption->setBuddy(m_notifications);
    form->addRow(caption, m_notifications);
    rows->addLayout(form);
    rows->addStretch();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        emit optionsChosen(chosen());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void OperatingDialog::showOptions(const OperatingOptions& options) {
    m_showMyLines->setChecked(options.showMyLines);
    m_keepSendTarget->setChecked(options.keepSendTarget);
    m_timeStamps->setChecked(options.timeStamps);
    m_notifications->setCurrentIndex(options.notifications);
    m_showMyLines->setFocus();
    show();
    raise();
    activateWindow();
}

OperatingOptions OperatingDialog::chosen() const {
    return {m_showMyLines->isChecked(), m_keepSendTarget->isChecked(), m_timeStamps->isChecked(),
            m_notifications->currentIndex()};
}
