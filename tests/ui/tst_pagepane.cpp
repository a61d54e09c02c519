#include "MainWindow.h"
#include "PaneResources.h"

#include <QBuffer>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <sys/stat.h>

namespace {

// Every picture here is at least this wide; Qt's sign for a missing one is narrower.
constexpr int kPictureWidth = 40;

QByteArray png(QImage image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class PagePaneTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_prog;    // the program folder
    QTemporaryDir m_outside; // anywhere else
    QString m_root;
    QByteArray m_png; // a picture kPictureWidth wide

    QString at(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

private slots:
    // Only a plain relative name below the page's folder passes, and never into the program
    // folder itself.
    void allowedPath() {
        using Row = std::tuple<const char*, const char*, const char*>; // name, page folder, file
        const Row rows[] = {
            {"pic.gif", "W1AW", "W1AW/pic.gif"},
            {"img/pic.gif", "W1AW", "W1AW/img/pic.gif"},
            {"./pic.gif", "W1AW", "W1AW/pic.gif"},
            {"my%20pic.gif", "W1AW", "W1AW/my pic.gif"},
            {"W1AW/pic.gif", "", "W1AW/pic.gif"}, // a channel page, in the program folder
            {"pic.gif", "", ""},
            {"/dev/zero", "W1AW", ""},
            {"/prog/W1AW/pic.gif", "W1AW", ""},
            {"../x.gif", "W1AW", ""},
            {"a/../../x", "W1AW", ""},
            {"a/../pic.gif", "W1AW", ""},
            {"%2e%2e/K2XYZ/pic.gif", "W1AW", ""},
            {"file:///prog/W1AW/pic.gif", "W1AW", ""},
            {"file:pic.gif", "W1AW", ""},
            {"http://example.org/pic.gif", "W1AW", ""},
            {"data:image/gif;base64,R0lGODlhAQABAAAAACw=", "W1AW", ""},
            {"qrc:/pic.gif", "W1AW", ""},
            {":/pic.gif", "W1AW", ""},
            {"C:/pic.gif", "W1AW", ""},
            {"//host/pic.gif", "W1AW", ""},
            {"img\\pic.gif", "W1AW", ""},
            {"..\\..\\pic.gif", "W1AW", ""},
            {"pic.gif?x", "W1AW", ""},
            {"pic.gif#x", "W1AW", ""},
            {"pic.gif%00.htm", "W1AW", ""},
            {"", "W1AW", ""},
            {"pic.gif", "/elsewhere", ""},
            {"pic.gif", "/prog2/W1AW", ""},
        };
        for (const auto& [name, pageDir, file] : rows) {
            const QString dir = pageDir[0] == '/'
                                    ? QString::fromLatin1(pageDir)
                                    : QDir::cleanPath("/prog/" + QLatin1String(pageDir));
            QCOMPARE(PaneResources::allowedPath(QUrl(name), dir, "/prog"),
                     *file ? "/prog/" + QLatin1String(file) : QString());
        }
    }

    void initTestCase() {
        QVERIFY(m_prog.isValid() && m_outside.isValid());
        m_root = QFileInfo(m_prog.path()).canonicalFilePath();
        QVERIFY(QDir(m_root).mkpath("W1AW/img") && QDir(m_root).mkdir("K2XYZ"));
        QImage picture(kPictureWidth, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        m_png = png(picture);
        for (const char* name : {"W1AW/pic.png", "W1AW/img/pic.png", "K2XYZ/pic.png", "top.png"})
            QVERIFY(write(at(name), m_png));
        QVERIFY(write(m_outside.filePath("pic.png"), m_png));
        QVERIFY(write(at("W1AW/big.png"), m_png + QByteArray(5 * 1024 * 1024, '\0')));
        // Kilobytes on disk, 100 MB once shown.
        QImage bomb(5000, 5000, QImage::Format_Mono);
        bomb.fill(0);
        QVERIFY(write(at("W1AW/bomb.png"), png(bomb)));
        QVERIFY(write(at("W1AW/style.css"), "p { color: #123456 }"));
        QVERIFY(write(at("top.css"), "p { color: #123456 }"));
        QVERIFY(write(at("W1AW/hello.htm"), "<p>hello</p>"));
        QCOMPARE(::mkfifo(QFile::encodeName(at("W1AW/fifo.png")), 0600), 0);
        QVERIFY(QFile::link(m_outside.filePath("pic.png"), at("W1AW/out.png")));
        QVERIFY(QFile::link(at("K2XYZ/pic.png"), at("W1AW/in.png")));
        QVERIFY(QFile::link(at("top.png"), at("W1AW/up.png")));
        QVERIFY(QFile::link("/dev/zero", at("W1AW/dev.png")));
        QVERIFY(QDir::setCurrent(m_root)); // the start folder is the program folder
    }

    // What a page pulls in: shown only from a content folder, whole, a regular file of bounded
    // size; anything else shows as missing, and nothing blocks.
    void resources() {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.showBrowser(0, true);
        QTextBrowser* pane = w.browser(0);
        const QString page = QStringLiteral("W1AW/page.htm"), channel = "Channel0.htm";
        using Row = std::tuple<QString, bool, QString, bool>; // page, picture?, src, shown
        const Row rows[] = {
            {page, true, "pic.png", true},
            {page, true, "img/pic.png", true},
            {channel, true, "W1AW/pic.png", true},
            {channel, true, "top.png", false},
            {page, true, "../K2XYZ/pic.png", false},
            {page, true, at("W1AW/pic.png"), false},
            {page, true, QUrl::fromLocalFile(at("W1AW/pic.png")).toString(), false},
            {page, true, "data:image/png;base64," + m_png.toBase64(), false},
            {page, true, "fifo.png", false},
            {page, true, "/dev/zero", false},
            {page, true, "dev.png", false},
            {page, true, "out.png", false}, // a link out of the program folder
            {page, true, "up.png", false},  // a link into the program folder itself
            {page, true, "in.png", true},   // a link to another content folder
            {page, true, "big.png", false},
            {page, true, "bomb.png", false},
            {page, false, "style.css", true},
            {channel, false, "top.css", false},
            {page, false, "fifo.png", false},
        };
        for (const auto& [page, picture, src, shown] : rows) {
            const auto tell = qScopeGuard([&] {
                if (QTest::currentTestFailed())
                    qWarning() << "in" << page << src;
            });
            const QString tag = picture
                                    ? QStringLiteral("<img src=\"%1\">")
                                    : QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" "
                                                     "href=\"%1\"><p>text</p>");
            QVERIFY(
                write(at(page), ("<HTML>" + tag.arg(src.toHtmlEscaped()) + "</HTML>").toLatin1()));
            w.loadBrowserPage(0, at(page));
            pane->viewport()->grab(); // lays the page out and paints it, asking for everything
            const QVariant loaded = pane->document()->resource(
                picture ? QTextDocument::ImageResource : QTextDocument::StyleSheetResource,
                QUrl(src));
            QCOMPARE(picture ? loaded.value<QPixmap>().width() >= kPictureWidth
                             : loaded.toString().contains(QLatin1String("#123456")),
                     shown);
        }
        // A page itself must be a regular file too.
        for (const QString& target : {at("W1AW/fifo.png"), QStringLiteral("/dev/zero"), at("W1AW"),
                                      at("W1AW/none.htm"), at("W1AW/hello.htm")}) {
            w.loadBrowserPage(0, at("W1AW/hello.htm"));
            w.loadBrowserPage(0, target);
            QCOMPARE(pane->toPlainText(), target.endsWith("hello.htm") ? "hello" : "");
        }
    }
};

QTEST_MAIN(PagePaneTest)
#include "tst_pagepane.moc"
