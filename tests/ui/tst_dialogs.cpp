#include "DataDialog.h"
#include "MonitorWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void dataDialogRefusesQuotesAndTakesEnterAsDone() {
        DataDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Please Enter Data:"));
        QVERIFY(dialog.browseButton()->isHidden());
        dialog.setText(QStringLiteral("say \"hi\"")); // a preset text is not filtered
        dialog.show();
        dialog.textBox()->setFocus();
        dialog.textBox()->end(false);
        QTest::keyClicks(dialog.textBox(), QStringLiteral(" a\"b"));
        QCOMPARE(dialog.text(), QStringLiteral("say \"hi\" ab"));
        QTest::keyClick(dialog.textBox(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.text(), QStringLiteral("say \"hi\" ab"));
    }

    void monitorStartsWithItsPlaceholderTexts() {
        MonitorWindow monitor;
        QCOMPARE(monitor.windowTitle(), QStringLiteral("Monitor Info"));
        QCOMPARE(monitor.valueLabel(QStringLiteral("lblReturn"))->text(), QStringLiteral("Label2"));
        QCOMPARE(monitor.valueLabel(QStringLiteral("lblData"))->text(), QStringLiteral("Label7"));
        monitor.showValues("1", "N0BBB", "hello", "5", "68", "0");
        QCOMPARE(monitor.valueLabel(QStringLiteral("lblDataKind"))->text(), QStringLiteral("68"));
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
