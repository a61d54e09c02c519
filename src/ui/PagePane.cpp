#include "PagePane.h"

#include "PaneResources.h"
#include "SafeFile.h"
#include "TextRoutines.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

// Everything one page pulls in, pictures counted as shown (4 bytes a pixel): a small picture
// file can unpack to gigabytes.
constexpr qint64 kPageBudget = 64 * 1024 * 1024;
constexpr int kMaxGrowingBlock = 4096;

// What the pane shows for a picture it may not or cannot load. Never a null pixmap: on that Qt
// goes and opens the name itself.
QPixmap missingPicture() {
    QPixmap missing(QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-16.png"));
    if (missing.isNull()) {
        missing = QPixmap(16, 16);
        missing.fill(Qt::transparent);
    }
    return missing;
}

// A picture as shown takes 4 bytes a pixel whatever its file holds.
qint64 shownBytes(QSize size) {
    return qint64(size.width()) * size.height() * 4;
}

QPixmap decoded(const QByteArray& bytes, qint64* budget) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header tells the size before anything is unpacked; the allocation limit covers
    // formats that do not tell (zero would lift it).
    if (const QSize size = reader.size(); size.isValid() && shownBytes(size) > *budget)
        return {};
    reader.setAllocationLimit(int(qMax<qint64>(1, *budget / (1024 * 1024))));
    QImage image;
    if (!reader.read(&image) || shownBytes(image.size()) > *budget)
        return {};
    *budget -= shownBytes(image.size());
    return QPixmap::fromImage(image);
}

} // namespace

// Every resource of the page passes here, by the name the page wrote. The default loaders would
// open whatever the name says, with no limit on size.
class PagePane::Document : public QTextDocument {
public:
    explicit Document(PagePane* pane) : QTextDocument(pane), m_pane(pane) {}

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        return m_pane->resourceFor(type, name);
    }

private:
    PagePane* m_pane;
};

PagePane::PagePane(const QString& programDir, QWidget* parent)
    : QTextBrowser(parent), m_programDir(programDir) {
    auto* document = new Document(this);
    document->setUndoRedoEnabled(false);
    setDocument(document);
    // The pane hands out a parsed URL, which loses what no URL can hold; pass on the raw target.
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        emit linkFollowed(m_followedHref.isEmpty() ? url.toString() : m_followedHref);
    });
}

void PagePane::mouseReleaseEvent(QMouseEvent* event) {
    m_followedHref = anchorAt(event->position().toPoint());
    QTextBrowser::mouseReleaseEvent(event);
    m_followedHref.clear();
}

void PagePane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        m_followedHref = textCursor().charFormat().anchorHref();
    QTextBrowser::keyPressEvent(event);
    m_followedHref.clear();
}

void PagePane::showPage(const QString& path) {
    // Pages are 8-bit text; read them ourselves rather than let the pane guess. A link, FIFO or
    // device reads as nothing. A long page shows its newest part: days of a busy channel would
    // take seconds and hundreds of megabytes to lay out, and the newest text is what is read.
    QByteArray page;
    qint64 before = 0;
    QFile file(path);
    if (SafeFile::openForRead(file)) {
        before = qMax<qint64>(0, file.size() - kShownBytes);
        if (file.seek(before))
            page = file.read(kShownBytes);
        // Cut at a line's start, never inside a word or a tag's name.
        const auto lineEnd =
            std::find_if(page.cbegin(), page.cend(), [](char c) { return c == '\r' || c == '\n'; });
        if (before > 0 && lineEnd != page.cend()) {
            const qsizetype cut = lineEnd - page.cbegin() + 1;
            page.remove(0, cut), before += cut;
        }
    }
    m_pagePath = path;
    m_pageDir = QFileInfo(path).absolutePath();
    m_loaded.clear();
    m_budget = kPageBudget;
    QString html = QString::fromLatin1(page);
    if (before > 0)
        html.prepend(QStringLiteral("<p><i>The first %1 bytes of this page are in %2 only.</i></p>")
                         .arg(groupedCount(quint64(before)))
                         .arg(QFileInfo(path).fileName().toHtmlEscaped()));
    setHtml(html);
    // The lines to come go after a long last paragraph, not into it: laid out once, here.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    if (end.block().length() > kMaxGrowingBlock)
        end.insertBlock();
}

void PagePane::appendToPage(const QString& path, const QString& text) {
    // Past twice what a page shows the document is laid out anew from the file's newest part,
    // so memory stays level however long the page grows.
    if (path != m_pagePath || document()->characterCount() > 2 * kShownBytes)
        return showPage(path);
    QScrollBar* bar = verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    // Plain text sent line after line is one paragraph, laid out whole at every change; a new
    // one now and then keeps each line's cost small, at the price of an early line break.
    if (end.block().length() > kMaxGrowingBlock)
        end.insertBlock();
    end.insertHtml(QString::fromLatin1(text.toLatin1()));
    if (atEnd)
        bar->setValue(bar->maximum());
}

// Reached when the browser loads something by itself (a source set on it): the same rules.
QVariant PagePane::loadResource(int type, const QUrl& name) {
    return resourceFor(type, name);
}

QVariant PagePane::resourceFor(int type, const QUrl& name) {
    const QPair<int, QUrl> key(type, name);
    if (const auto found = m_loaded.constFind(key); found != m_loaded.cend())
        return *found;
    std::optional<QByteArray> bytes;
    if (m_budget > 0)
        bytes = PaneResources::read(name, m_pageDir, m_programDir);
    QVariant value;
    if (type == QTextDocument::ImageResource) {
        QPixmap picture = bytes ? decoded(*bytes, &m_budget) : QPixmap();
        value = picture.isNull() ? missingPicture() : picture;
    } else if (bytes && bytes->size() <= m_budget) {
        m_budget -= bytes->size();
        value = QString::fromLatin1(*bytes); // 8-bit text, like the pages
    } else {
        value = QString(); // valid all the same, so no other provider is asked
    }
    m_loaded.insert(key, value);
    return value;
}
