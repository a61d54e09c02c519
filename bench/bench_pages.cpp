// Per-frame cost of keeping a channel's page file in step with its page text:
// rewriting the whole file against extending it in place.

#include "BenchText.h"
#include "PageFiles.h"
#include "PageStore.h"
#include "StationFakes.h"

#include <QTemporaryDir>
#include <QtTest>

class PagesBench : public QObject {
    Q_OBJECT

private slots:
    void frame_data() {
        QTest::addColumn<int>("pageBytes");
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("1 MB, whole rewrite") << 1'000'000 << false;
        QTest::newRow("1 MB, in place") << 1'000'000 << true;
        QTest::newRow("20 MB, whole rewrite") << 20'000'000 << false;
        QTest::newRow("20 MB, in place") << 20'000'000 << true;
    }
    void frame() {
        QFETCH(int, pageBytes);
        QFETCH(bool, inPlace);
        QTemporaryDir dir;
        const QString programDir = dir.path();
        FakeView view;
        FileNotices notices(view);
        PageStore pages(programDir, notices);
        QString text = benchText(pageBytes, QLatin1Char('p'));
        pages.replace(0, text);
        QVERIFY(pages.write(0));
        const QString frame = QStringLiteral("The quick brown fox jumps over the lazy dog\r");
        QBENCHMARK {
            if (inPlace) {
                pages.append(0, frame);
                pages.write(0);
            } else {
                text += frame;
                PageFiles::write(pages.path(0), text);
            }
        }
    }
};

QTEST_GUILESS_MAIN(PagesBench)
#include "bench_pages.moc"
