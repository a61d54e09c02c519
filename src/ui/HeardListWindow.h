#pragma once

#include <QTimer>
#include <QWidget>

class HeardList;
class HeardTableModel;
class QSortFilterProxyModel;
class QTableView;

// "Heard List": every station heard on the air, newest first, sortable by any column. While it
// is shown it takes in what changed every kRefreshMs, never raising itself or taking the focus;
// hidden, it costs nothing. A double-click (or Enter) on a station tells its call.
class HeardListWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 500;

    HeardListWindow(const HeardList& list, QWidget* parent);
    ~HeardListWindow() override;

    // Shows the window and leaves the focus where the operator types; when it is already shown,
    // brings it forward to be worked in.
    void open();
    // Takes in what changed in the list since the last time.
    void refresh();
    QTableView* table() const { return m_table; }

signals:
    void callChosen(const QString& call);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choose(const QModelIndex& index);
    // Over the right of the views, clear of the menu bar and the send line.
    void placeOverViews();

    HeardTableModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    QTableView* m_table = nullptr;
    QTimer m_refresh;
};
