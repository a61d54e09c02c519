#include "MainWindow.h"
#include "PaneResources.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>
#include <memory>
#include <sys/stat.h>

namespace {

// Every picture here is at least this wide; Qt's sign for a missing one is narrower.
const QSize kPictureSize(40, 30);

QByteArray png() {
    QImage image(kPictureSize, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data) {
    QByteArray chunk;
    QDataStream out(&chunk, QIODevice::WriteOnly);
    out << quint32(data.size());
    out.writeRawData(type.constData(), 4);
    out.writeRawData(data.constData(), int(data.size()));
    out << crc32(type + data);
    return chunk;
}

// A blank one-bit picture `side` pixels square: kilobytes on disk, side² × 4 bytes once shown.
QByteArray pngBomb(int side) {
    QByteArray header;
    QDataStream out(&header, QIODevice::WriteOnly);
    out << quint32(side) << quint32(side) << quint8(1) << quint8(0) << quint8(0) << quint8(0)
        << quint8(0);
    const QByteArray rows(qsizetype(side) * (1 + (side + 7) / 8), '\0');
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("IDAT", qCompress(rows).mid(4)) + pngChunk("IEND", {});
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class PagePaneTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_prog;    // the program folder
    QTemporaryDir m_outside; // anywhere else
    QString m_root;
    std::unique_ptr<MainWindow> m_window;

    QString at(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }
    QTextBrowser* pane() const { return m_window->browser(0); }

private slots:
    void allowedPath_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pageDir"); // below /prog unless absolute
        QTest::addColumn<QString>("file");    // below /prog; empty when refused
        auto row = [](const char* what, const char* name, const char* dir, const char* file) {
            QTest::newRow(what) << QString::fromLatin1(name) << QString::fromLatin1(dir)
                                << QString::fromLatin1(file);
        };
        row("beside the page", "pic.gif", "W1AW", "W1AW/pic.gif");
        row("folder below", "img/pic.gif", "W1AW", "W1AW/img/pic.gif");
        row("dot", "./pic.gif", "W1AW", "W1AW/pic.gif");
        row("escapes decoded", "my%20pic.gif", "W1AW", "W1AW/my pic.gif");
        row("device", "/dev/zero", "W1AW", "");
        row("absolute inside", "/prog/W1AW/pic.gif", "W1AW", "");
        row("up", "../x.gif", "W1AW", "");
        row("up through a folder", "a/../../x", "W1AW", "");
        row("up and back in", "a/../pic.gif", "W1AW", "");
        row("escaped up", "%2e%2e/K2XYZ/pic.gif", "W1AW", "");
        row("file url", "file:///prog/W1AW/pic.gif", "W1AW", "");
        row("file url, relative", "file:pic.gif", "W1AW", "");
        row("http", "http://example.org/pic.gif", "W1AW", "");
        row("data", "data:image/gif;base64,R0lGODlhAQABAAAAACw=", "W1AW", "");
        row("qrc", "qrc:/pic.gif", "W1AW", "");
        row("resource path", ":/pic.gif", "W1AW", "");
        row("drive letter", "C:/pic.gif", "W1AW", "");
        row("host", "//host/pic.gif", "W1AW", "");
        row("backslash", "img\\pic.gif", "W1AW", "");
        row("backslash up", "..\\..\\pic.gif", "W1AW", "");
        row("query", "pic.gif?x", "W1AW", "");
        row("fragment", "pic.gif#x", "W1AW", "");
        row("NUL", "pic.gif%00.htm", "W1AW", "");
        row("empty", "", "W1AW", "");
        row("channel page: program folder", "pic.gif", "", "");
        row("channel page: content folder", "W1AW/pic.gif", "", "W1AW/pic.gif");
        row("page elsewhere", "pic.gif", "/elsewhere", "");
        row("page in a look-alike folder", "pic.gif", "/prog2/W1AW", "");
    }
    void allowedPath() {
        QFETCH(QString, name);
        QFETCH(QString, pageDir);
        QFETCH(QString, file);
        const QString root = QStringLiteral("/prog");
        const QString dir = pageDir.startsWith(QLatin1Char('/'))
                                ? pageDir
                                : QDir::cleanPath(root + QLatin1Char('/') + pageDir);
        QCOMPARE(PaneResources::allowedPath(QUrl(name), dir, root),
                 file.isEmpty() ? QString() : root + QLatin1Char('/') + file);
    }

    void initTestCase() {
        QVERIFY(m_prog.isValid() && m_outside.isValid());
        m_root = QFileInfo(m_prog.path()).canonicalFilePath();
        QDir root(m_root);
        QVERIFY(root.mkpath(QStringLiteral("W1AW/img")) && root.mkdir(QStringLiteral("K2XYZ")));
        for (const char* name : {"W1AW/pic.png", "W1AW/img/pic.png", "K2XYZ/pic.png", "top.png"})
            write(at(QLatin1String(name)), png());
        write(m_outside.filePath(QStringLiteral("pic.png")), png());
        write(at(QStringLiteral("W1AW/big.png")), png() + QByteArray(5 * 1024 * 1024, '\0'));
        write(at(QStringLiteral("W1AW/bomb.png")), pngBomb(5000));
        write(at(QStringLiteral("W1AW/style.css")), "p { color: #123456 }");
        write(at(QStringLiteral("top.css")), "p { color: #123456 }");
        write(at(QStringLiteral("W1AW/hello.htm")), "<p>hello</p>");
        QCOMPARE(::mkfifo(QFile::encodeName(at(QStringLiteral("W1AW/fifo.png"))), 0600), 0);
        QVERIFY(QFile::link(m_outside.filePath(QStringLiteral("pic.png")),
                            at(QStringLiteral("W1AW/out.png"))));
        QVERIFY(
            QFile::link(at(QStringLiteral("K2XYZ/pic.png")), at(QStringLiteral("W1AW/in.png"))));
        QVERIFY(QFile::link(at(QStringLiteral("top.png")), at(QStringLiteral("W1AW/up.png"))));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), at(QStringLiteral("W1AW/dev.png"))));

        QVERIFY(QDir::setCurrent(m_root)); // the start folder is the program folder
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->showBrowser(0, true);
    }
    void cleanupTestCase() { m_window.reset(); }

    void resources_data() {
        QTest::addColumn<QString>("page"); // below the program folder
        QTest::addColumn<bool>("picture"); // else a style sheet
        QTest::addColumn<QString>("src");
        QTest::addColumn<bool>("shown");
        const QString page = QStringLiteral("W1AW/page.htm");
        const QString channel = QStringLiteral("Channel0.htm");
        auto row = [](const char* what, const QString& page, bool picture, const QString& src,
                      bool shown) { QTest::newRow(what) << page << picture << src << shown; };
        row("beside the page", page, true, "pic.png", true);
        row("folder below", page, true, "img/pic.png", true);
        row("channel page, content folder", channel, true, "W1AW/pic.png", true);
        row("channel page, program folder", channel, true, "top.png", false);
        row("other content folder by ..", page, true, "../K2XYZ/pic.png", false);
        row("absolute path", page, true, at("W1AW/pic.png"), false);
        row("file url", page, true, QUrl::fromLocalFile(at("W1AW/pic.png")).toString(), false);
        row("data url", page, true,
            "data:image/png;base64," + QString::fromLatin1(png().toBase64()), false);
        row("FIFO", page, true, "fifo.png", false);
        row("device", page, true, "/dev/zero", false);
        row("link to a device", page, true, "dev.png", false);
        row("link out of the program folder", page, true, "out.png", false);
        row("link into the program folder itself", page, true, "up.png", false);
        row("link to another content folder", page, true, "in.png", true);
        row("over 1 MB", page, true, "big.png", false);
        row("unpacks to 100 MB", page, true, "bomb.png", false);
        row("style sheet beside the page", page, false, "style.css", true);
        row("style sheet in the program folder", channel, false, "top.css", false);
        row("style sheet FIFO", page, false, "fifo.png", false);
    }
    void resources() {
        QFETCH(QString, page);
        QFETCH(bool, picture);
        QFETCH(QString, src);
        QFETCH(bool, shown);
        const QString tag = picture ? QStringLiteral("<img src=\"%1\">")
                                    : QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" "
                                                     "href=\"%1\"><p>text</p>");
        write(at(page), ("<HTML>" + tag.arg(src.toHtmlEscaped()) + "</HTML>").toLatin1());
        m_window->loadBrowserPage(0, at(page));
        pane()->viewport()->grab(); // lays the page out and paints it, asking for everything
        if (picture) {
            const QVariant image =
                pane()->document()->resource(QTextDocument::ImageResource, QUrl(src));
            QCOMPARE(image.value<QPixmap>().width() >= kPictureSize.width(), shown);
        } else {
            const QVariant sheet =
                pane()->document()->resource(QTextDocument::StyleSheetResource, QUrl(src));
            QCOMPARE(sheet.toString().contains(QLatin1String("#123456")), shown);
        }
    }

    void pageTargets_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("text");
        QTest::newRow("page") << at("W1AW/hello.htm") << "hello";
        QTest::newRow("FIFO") << at("W1AW/fifo.png") << "";
        QTest::newRow("device") << "/dev/zero"
                                << "";
        QTest::newRow("folder") << at("W1AW") << "";
        QTest::newRow("missing") << at("W1AW/none.htm") << "";
    }
    void pageTargets() {
        QFETCH(QString, target);
        m_window->loadBrowserPage(0, at("W1AW/hello.htm"));
        m_window->loadBrowserPage(0, target);
        QTEST(pane()->toPlainText(), "text");
    }
};

QTEST_MAIN(PagePaneTest)
#include "tst_pagepane.moc"
