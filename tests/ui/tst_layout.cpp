#include "ConnectDialog.h"
#include "DataDialog.h"
#include "DesignedLayout.h"
#include "LayoutRules.h"
#include "MainWindow.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>

using namespace LayoutRules;

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void screenRatio_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<float>("rw");
        QTest::addColumn<float>("rh");
        QTest::addColumn<float>("font");
        QTest::newRow("reference 640 x 480") << QSize(640, 480) << 1.0f << 1.0f << 1.0f;
        QTest::newRow("1600 wide") << QSize(1600, 1200) << 2.5f << 2.5f << 1.5f;
        QTest::newRow("smaller shrinks fonts too") << QSize(320, 240) << 0.5f << 0.5f << 0.5f;
        QTest::newRow("wide but short") << QSize(1280, 480) << 2.0f << 1.0f << 1.5f;
    }
    void screenRatio() {
        QFETCH(QSize, screen);
        const Scale s =
            LayoutRules::screenRatio(QSize(toTwips(screen.width()), toTwips(screen.height())));
        QTEST(s.rw, "rw");
        QTEST(s.rh, "rh");
        QTEST(s.font, "font");
    }

    void dialogsKeepTheirDesignAtTheReferenceAndGrowWithTheScreen() {
        using namespace DesignedLayout;
        QCOMPARE(centredWindow(QSize(kDialogWidth, kDialogHeight), QSize(640, 480)),
                 QRect(164, 208, 312, 63));
        QCOMPARE(centredWindow(QSize(kDialogWidth, kDialogHeight), QSize(1600, 1200)),
                 QRect(410, 521, 780, 158));
        const Scale big = LayoutRules::screenRatio(QSize(24000, 18000));
        QCOMPARE(scaledPixels(kDialogText, big), QRect(20, 20, 743, 48));
        QCOMPARE(scaledFont(kControlFont, big), 8.25f * 1.5f);

        DataDialog dialog;
        dialog.fitToScreen(QSize(1600, 1200));
        QCOMPARE(dialog.size(), QSize(780, 158));
        QCOMPARE(dialog.textBox()->geometry(), QRect(20, 20, 743, 48));
        QCOMPARE(dialog.textBox()->font().pointSizeF(), 8.25 * 1.5);
        ConnectDialog list({});
        list.fitToScreen(QSize(640, 480));
        QCOMPARE(list.size(), QSize(121, 371));
    }

    void mainWindowStretchesToItsWorkArea() {
        using namespace DesignedLayout;
        const Scale s = LayoutRules::workArea(QSize(kClientWidth, kClientHeight),
                                              QSize(toTwips(1264), toTwips(906)), toTwips(1280));
        QCOMPARE(s.rw, 1264.0f * 15 / 9480);
        QCOMPARE(s.rh, 906.0f * 15 / 6795);
        QCOMPARE(s.font, 1.5f); // 2.0 capped
        const Scale small = LayoutRules::workArea(QSize(kClientWidth, kClientHeight),
                                                  QSize(toTwips(472), toTwips(340)), toTwips(480));
        QCOMPARE(small.font, 0.75f);
    }

    void everyChannelPaneCoversItsTextViewAndPagesAgree() {
        MainWindow w;
        w.fitToWorkArea();
        w.showWindow();
        w.resize(1000, 700);
        QCoreApplication::processEvents();
        const QRect first = w.textView(TextView::Channel0)->geometry();
        for (int n = 0; n < 7; ++n) {
            QCOMPARE(w.browser(n)->geometry(), w.textView(channelView(n))->geometry());
            QCOMPARE(w.textView(channelView(n))->geometry(), first); // hidden pages too
        }
        // Resizing lays the window out again by the same rule.
        const int before = w.sendLine()->width();
        w.resize(500, 400);
        QCoreApplication::processEvents();
        QVERIFY(w.sendLine()->width() < before);
        QCOMPARE(w.browser(3)->geometry(), w.textView(channelView(3))->geometry());
    }

    // Every caption of the window shows whole, on a large screen and a small one.
    void captionsShowWhole_data() {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1280x1024") << QSize(1280, 1024);
        QTest::newRow("800x600") << QSize(800, 600);
    }
    void captionsShowWhole() {
        QFETCH(QSize, screen);
        MainWindow w;
        w.showWindow();
        w.setGeometry(QRect(QPoint(0, 0), screen));
        w.setRetryButtonVisible(true);
        w.setSelectedCallLabel(QStringLiteral("N0BBB-15"));
        QCoreApplication::processEvents();
        const QList<QWidget*> captions = w.centralWidget()->findChildren<QWidget*>();
        int checked = 0;
        for (QWidget* c : captions) {
            if (!qobject_cast<QLabel*>(c) && !qobject_cast<QAbstractButton*>(c))
                continue;
            if (c->parentWidget() != w.centralWidget())
                continue; // on a tab page, not a caption of the layout
            ++checked;
            QVERIFY(w.centralWidget()->rect().contains(c->geometry()));
            QVERIFY2(c->sizeHint().width() <= c->width(),
                     qPrintable(QStringLiteral("%1 needs %2 px, has %3")
                                    .arg(c->objectName().isEmpty() ? c->property("text").toString()
                                                                   : c->objectName())
                                    .arg(c->sizeHint().width())
                                    .arg(c->width())));
        }
        QCOMPARE(checked, 7);
    }
};

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
