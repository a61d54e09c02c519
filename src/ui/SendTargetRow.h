#pragma once

#include <QWidget>

class QLabel;

// Beside the send line's caption: where a plain line typed now goes, whatever tab is in front.
// A row of its own rather than one more caption of the designed window.
class SendTargetRow : public QWidget {
public:
    SendTargetRow(QWidget* parent, const QFont& sendLineFace);

    // A call, "conference" or "no station".
    void showTarget(const QString& target);
    // Takes the pixels the layout gives it and the captions' font size.
    void place(const QRect& pixels, float points);
    QLabel* label() const { return m_label; }

private:
    void fit();

    QLabel* m_label;
    float m_points = 8.25f;
};
