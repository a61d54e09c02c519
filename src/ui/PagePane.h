#pragma once

#include <QHash>
#include <QPair>
#include <QTextBrowser>
#include <QUrl>

// A channel's browser pane. Pages come from remote stations, so the pictures and style sheets a
// page names load only as PaneResources allows; anything else shows as missing.
class PagePane : public QTextBrowser {
    Q_OBJECT
public:
    // `programDir` is the program folder; pages may load files from its folders.
    explicit PagePane(const QString& programDir, QWidget* parent = nullptr);

    // The newest part of a long page is shown, with a line saying where the rest is.
    static constexpr qint64 kShownBytes = 256 * 1024;

    // Shows the page file at `path` (empty when it is a link or not a readable regular file);
    // the names it holds are taken relative to its folder.
    void showPage(const QString& path);
    // The page file at `path` grew by `text`: added to what is shown when that is the page,
    // which is shown anew only once the document has grown well past what a page shows.
    void appendToPage(const QString& path, const QString& text);

signals:
    // A link was followed; `href` is its target exactly as the page wrote it (a command link
    // such as "<PRHCMD:C N0QQQ>" is no URL at all).
    void linkFollowed(const QString& href);

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class Document;

    QVariant resourceFor(int type, const QUrl& name);

    QString m_programDir;
    QString m_followedHref; // the raw target of the link being followed
    QString m_pageDir;
    QString m_pagePath;                         // the page file shown, if any
    QHash<QPair<int, QUrl>, QVariant> m_loaded; // the document asks again at every paint
    qint64 m_budget = 0;                        // bytes the shown page may still take
};
