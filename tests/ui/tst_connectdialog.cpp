#include "ConnectDialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

class ConnectDialogTest : public QObject {
    Q_OBJECT
private slots:
    void listsSortedAndAClickPicks() {
        ConnectDialog dialog({QStringLiteral("ZULU"), QStringLiteral("ALPHA")});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Connect To:"));
        QCOMPARE(dialog.list()->item(0)->text(), QStringLiteral("ALPHA"));
        QCOMPARE(dialog.list()->item(1)->text(), QStringLiteral("ZULU"));
        dialog.show();
        const QRect zulu = dialog.list()->visualItemRect(dialog.list()->item(1));
        QTest::mouseClick(dialog.list()->viewport(), Qt::LeftButton, {}, zulu.center());
        QCOMPARE(dialog.picked(), QStringLiteral("ZULU"));
        QVERIFY(!dialog.isVisible());
    }

    void doneWithoutAPickGivesNothing() {
        ConnectDialog dialog({QStringLiteral("ALPHA")});
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QCOMPARE(dialog.picked(), QString());
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(ConnectDialogTest)
#include "tst_connectdialog.moc"
