#pragma once

#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextDocument;

// Finds text in the view or browser pane in front: every match highlighted, Enter and
// Shift+Enter for the next and the previous one, a count of matches. Escape closes the bar and
// gives the focus back to where it was.
class FindBar : public QWidget {
    Q_OBJECT
public:
    // Highlighting every match of a very common text would cost more than it shows.
    static constexpr int kMaxHighlighted = 1000;
    static constexpr int kHighlightsAtOnce = 200;

    explicit FindBar(QWidget* parent = nullptr);

    // Shows the bar for a QPlainTextEdit or QTextEdit (a browser pane), focused on its field.
    void openFor(QWidget* view);
    void dismiss();
    QLineEdit* field() const { return m_field; }
    QLabel* countLabel() const { return m_count; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void highlightAll();
    void showMoreHighlights();
    void step(bool backward);
    QTextDocument* document() const;
    void clearHighlights();

    QLineEdit* m_field = nullptr;
    QLabel* m_count = nullptr;
    QPointer<QWidget> m_view;
    QPointer<QWidget> m_returnFocus;
    QList<QTextEdit::ExtraSelection> m_highlights; // those of the matches shown first
    qsizetype m_highlightsShown = 0;
    QTimer m_moreHighlights;
};
