#include "MonitorFilterDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MonitorFilterDialog::MonitorFilterDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMonitorFilter"));
    setWindowTitle(QStringLiteral("Monitor Filter"));
    auto* layout = new QVBoxLayout(this);

    auto* types = new QGroupBox(QStringLiteral("Show these frames in All Traffic"), this);
    auto* typeRows = new QVBoxLayout(types);
    const auto box = [&](const char* name, const char* text) {
        auto* check = new QCheckBox(QString::fromLatin1(text), types);
        check->setObjectName(QString::fromLatin1(name));
        typeRows->addWidget(check);
        return check;
    };
    m_information = box("chkInformation", "&Information (I): what connected stations send");
    m_supervisory = box("chkSupervisory", "&Supervisory (RR, RNR, REJ): acknowledgements");
    m_unnumbered = box("chkUnnumbered", "&Unnumbered (UI, SABM, UA, DISC ...): beacons, links");
    m_sent = box("chkSent", "Sent by this &station");
    layout->addWidget(types);

    auto* hide = new QFormLayout;
    m_ports = new QLineEdit(this);
    m_ports->setObjectName(QStringLiteral("txtHiddenPorts"));
    m_ports->setPlaceholderText(QStringLiteral("e.g. 1 2   (0 is the first port)"));
    hide->addRow(QStringLiteral("Hide radio &ports:"), m_ports);
    m_calls = new QLineEdit(this);
    m_calls->setObjectName(QStringLiteral("txtHiddenCalls"));
    m_calls->setPlaceholderText(QStringLiteral("e.g. N0XX N0YY-7   (no SSID: every SSID)"));
    hide->addRow(QStringLiteral("Hide frames &from:"), m_calls);
    layout->addLayout(hide);
    layout->addWidget(new QLabel(
        QStringLiteral("The DX and WX tabs and the heard list still take every frame."), this));

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    buttons->button(QDialogButtonBox::RestoreDefaults)->setText(QStringLiteral("Show &All"));
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { fill(MonitorFilterSettings()); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        emit filterChosen(chosen());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void MonitorFilterDialog::showFilter(const MonitorFilterSettings& filter) {
    fill(filter);
    show();
    raise();
    activateWindow();
}

QCheckBox* MonitorFilterDialog::typeBox(const QString& objectName) const {
    return findChild<QCheckBox*>(objectName);
}

void MonitorFilterDialog::fill(const MonitorFilterSettings& filter) {
    m_information->setChecked(filter.information);
    m_supervisory->setChecked(filter.supervisory);
    m_unnumbered->setChecked(filter.unnumbered);
    m_sent->setChecked(filter.sent);
    m_ports->setText(MonitorFilterSettings::portsText(filter.hiddenPorts));
    m_calls->setText(MonitorFilterSettings::callsText(filter.hiddenCalls));
}

MonitorFilterSettings MonitorFilterDialog::chosen() const {
    MonitorFilterSettings filter;
    filter.information = m_information->isChecked();
    filter.supervisory = m_supervisory->isChecked();
    filter.unnumbered = m_unnumbered->isChecked();
    filter.sent = m_sent->isChecked();
    filter.hiddenPorts = MonitorFilterSettings::portsFromText(m_ports->text());
    filter.hiddenCalls = MonitorFilterSettings::callsFromText(m_calls->text());
    return filter;
}
