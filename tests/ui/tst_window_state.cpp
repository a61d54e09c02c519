// The real window, shown and active: what it shows is true, and a typed line stays until sent.

#include "DesignedLayout.h"
#include "MonitorWindow.h"
#include "TextViews.h"
#include "WindowRig.h"

using namespace QTest;
using namespace Qt::Literals::StringLiterals;

class WindowStateTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { useScratchConfigHome(); }

    // A frame's whole NUL-padded data field keeps to the designed window, each value in its label.
    void monitorInfoKeepsItsSize() {
        Rig rs;
        QVERIFY(rs.up());
        rs.w.action("mnuMonitorInfo")->trigger();
        MonitorWindow* monitor = rs.w.monitorWindow();
        QVERIFY(qWaitForWindowExposed(monitor));
        rs.e.queue('U', "N0XYZ",
                   "<b>\x01\x7f" + QByteArray(295, 'x') +
                       QByteArray(" 1:Fm N0XYZ To CQ\r\0tail", 24));
        rs.receive();
        QApplication::processEvents();
        const QSize designed(DesignedLayout::kMonitorWidth / DesignedLayout::kTwipsPerPixel,
                             DesignedLayout::kMonitorHeight / DesignedLayout::kTwipsPerPixel);
        QCOMPARE(monitor->size(), designed);
        for (QLabel* value : monitor->findChildren<QLabel*>(QRegularExpression("^lbl"))) {
            QVERIFY2(monitor->rect().contains(value->geometry()), qPrintable(value->objectName()));
            QVERIFY(!value->text().contains(QChar(0)) && !value->text().contains(u'\r'));
            if (!value->wordWrap())
                QVERIFY(value->fontMetrics().horizontalAdvance(value->text()) <= value->width());
        }
        QCOMPARE(monitor->valueLabel("lblFrom")->text(), u"N0XYZ"_s);
        QCOMPARE(monitor->valueLabel("lblDataKind")->text(), u"85"_s);
        QLabel* data = monitor->valueLabel("lblData");
        data->setSelection(0, int(data->text().size())); // a copy has the bytes, never markup
        QVERIFY(data->text().startsWith("<b>  xx"_L1) && data->selectedText() == data->text());
        QVERIFY(data->wordWrap() && data->alignment() == (Qt::AlignLeft | Qt::AlignTop) &&
                data->textInteractionFlags() == Qt::TextSelectableByMouse);
        rs.w.close(); // and goes with the window
        QVERIFY(!monitor->isVisible());
    }

    // A window larger than the work area comes into it whole; a caption shrinks to fit a long text,
    // grows back; a screen reader hears the send line by its label.
    void trueOnAnyScreen() {
        MainWindow w;
        const QRect area = w.screen()->availableGeometry();
        w.resize(area.size() + QSize(400, 300));
        w.move(area.topLeft() + QPoint(200, 100));
        w.showWindow();
        QVERIFY(qWaitForWindowExposed(&w) && area.contains(w.frameGeometry()));
        auto* selected = w.findChild<QLabel*>("Label2");
        w.setSelectedCallLabel("N0BBB");
        const qreal designed = selected->font().pointSizeF();
        QCOMPARE(designed, w.findChild<QTabWidget*>()->font().pointSizeF()); // the controls' size
        w.setSelectedCallLabel(QString(8, u'W')); // fits somewhere between the two sizes
        QVERIFY(selected->font().pointSizeF() < designed && selected->font().pointSizeF() > 6);
        QVERIFY(selected->sizeHint().width() <= selected->width());
        w.setSelectedCallLabel(QString(200, u'W')); // too long for any size: the smallest
        QCOMPARE(selected->font().pointSizeF(), 6.0);
        w.setSelectedCallLabel("N0CCC");
        QCOMPARE(selected->font().pointSizeF(), designed);
        // Read by its own name, where lines go, not by the caption beside it.
        QVERIFY(QAccessible::queryAccessibleInterface(w.sendLine())
                    ->relations(QAccessible::Label)
                    .isEmpty());
        // No control hides another (the send line tucks under the captions' row by a few pixels);
        // each view fills its page.
        const auto controls = w.centralWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : controls)
            for (QWidget* b : controls) {
                const QRect both = a->geometry() & b->geometry();
                QVERIFY2(a == b || !a->isVisible() || !b->isVisible() ||
                             qMin(both.width(), both.height()) <= 5,
                         qPrintable(a->objectName() + ' ' + b->objectName()));
            }
        for (int tab = 0; tab < MainWindowView::kTabCount; ++tab) {
            const QPlainTextEdit* view = w.textView(TextViews::viewOfTab(tab));
            QVERIFY(view->height() * 10 > view->parentWidget()->height() * 9);
        }
    }
};

QTEST_MAIN(WindowStateTest)
#include "tst_window_state.moc"
