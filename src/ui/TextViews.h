#pragma once

#include "MainWindowView.h"
#include "StationTexts.h"
#include "TextFollower.h"

#include <QColor>
#include <QString>
#include <QTimer>
#include <array>

class QPlainTextEdit;
class QTabWidget;
class QWidget;

// The main window's text views, following the station's texts. Texts arrive with CR LF line ends
// and are shown with one break per line. The bounded views on tab pages out of sight take their
// text from the station's copy when their page is shown, and are laid out only then.
class TextViews : public TextFollower {
public:
    static constexpr int kCount = 13; // every TextView
    // Channel and conference views keep a tail a person can still scroll through, so a station
    // that runs for days does not grow without bound; the page files keep everything.
    static constexpr int kMaxViewChars = 2'000'000;
    static constexpr int kKeptViewChars = 1'800'000;
    static constexpr int kMaxViewLines = 50'000;
    // The operator's own lines stand out on the views' dark blue.
    static inline const QColor kOwnText{255, 255, 128};

    explicit TextViews(QTabWidget* tabs);

    // Follows these texts from now on; a window shows one station's texts, from its start.
    void follow(StationTexts& texts);
    void appended(TextView id, const QString& text) override;
    void appendedOwn(TextView id, const QString& text) override;
    void cutFront(TextView id, const QString& removed) override { removeFront(id, removed); }
    void holdUpdates() override { hold(); }
    void releaseUpdates() override { release(); }

    QPlainTextEdit* create(TextView id, QWidget* parent, const QColor& text, const QColor& base);
    QPlainTextEdit* view(TextView id) const { return m_views[static_cast<int>(id)]; }
    // The view on a tab page, or none.
    static TextView viewOfTab(int tab);

    void append(TextView id, const QString& text);
    // Whole lines the operator sent, in their own colour; channel and conference views only.
    void appendOwn(TextView id, const QString& text);
    void removeFront(TextView id, const QString& removed);
    void moveCaretToEnd(TextView id);
    void setCaretBeforeEnd(TextView id, int chars);
    // A tab page came to the front: bring its view up to date, a channel's caret to its end.
    void tabShown(int tab);
    // Between these, what the bounded views in sight are given waits, and reaches them in one
    // step at the end, their carets with it: a helping of frames is laid out and painted once.
    void hold() { ++m_held; }
    void release();

private:
    bool isDeferred(TextView id) const;
    static bool isBounded(TextView id) { return id >= TextView::AllTraffic; }
    void keepTail(QPlainTextEdit* view);
    void placeCarets();
    void applyHeld(int index);
    static constexpr qsizetype kFewLines = 3;
    static bool appendsFew(const QPlainTextEdit* view, qsizetype breaks);
    static void appendShown(QPlainTextEdit* view, const QString& shown, qsizetype breaks,
                            bool bounded);

    QTabWidget* m_tabs;
    std::array<QPlainTextEdit*, kCount> m_views{};
    const StationTexts* m_source = nullptr;
    std::array<bool, kCount> m_stale{};
    // What a held view is still to lose from its front and to gain at its end, as shown.
    struct Held {
        int cut = 0;
        QString text;
        qsizetype breaks = 0; // paragraph breaks in `text`
    };
    std::array<Held, kCount> m_heldText;
    int m_held = 0;
    // Where each view's caret goes at the next event pass, in characters before the end; -1 none.
    std::array<int, kCount> m_caretFromEnd{};
    QTimer m_caretTimer;
};
