#include "HeardListWindow.h"

#include "HeardList.h"
#include "MainWindow.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <QWindow>

// The list's stations in the order they were first shown; the sorting is the proxy's.
class HeardTableModel : public QAbstractTableModel {
public:
    enum Column { Call, LastHeard, Frames, Port, Destination, Path, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;

    HeardTableModel(const HeardList& list, QObject* parent)
        : QAbstractTableModel(parent), m_list(list) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QString callAt(int row) const { return m_rows.value(row).call; }

    // Walks the list from the most recent station back to the first one already shown.
    void sync();

private:
    void dropGone();

    const HeardList& m_list;
    QList<HeardStation> m_rows;
    QHash<QString, int> m_rowOf;
    quint64 m_shown = 0;
};

QVariant HeardTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const HeardStation& s = m_rows.at(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() == Frames || index.column() == Port
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::AccessibleTextRole) {
        // An empty cell (no digipeaters, say) still reads as something, and a number read with
        // its row says what it counts.
        QString text = data(index, Qt::DisplayRole).toString();
        if (text.isEmpty())
            text = QStringLiteral("none");
        if (index.column() == Call)
            return text;
        return headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString() + u' ' + text;
    }
    if (role != Qt::DisplayRole && role != kSortRole)
        return {};
    switch (index.column()) {
    case Call:
        return s.call;
    case LastHeard:
        if (role == kSortRole)
            return s.lastHeardMs;
        return QDateTime::fromMSecsSinceEpoch(s.lastHeardMs)
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Frames:
        return s.frames;
    case Port:
        return s.port;
    case Destination:
        return s.destination;
    case Path:
        return s.path;
    default:
        return {};
    }
}

QVariant HeardTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[ColumnCount] = {"Call", "Last Heard", "Frames",
                                                     "Port", "To",         "Via"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kTitles[section]);
}

void HeardTableModel::sync() {
    if (m_list.generation() == m_shown)
        return;
    QList<HeardStation> added;
    m_list.forEachRecent([&](const HeardStation& s) {
        if (s.generation <= m_shown)
            return false;
        const auto row = m_rowOf.constFind(s.call);
        if (row == m_rowOf.constEnd()) {
            added.append(s);
        } else if (!m_rows[*row].sameAs(s)) {
            m_rows[*row] = s;
            emit dataChanged(index(*row, 0), index(*row, ColumnCount - 1));
        }
        return true;
    });
    m_shown = m_list.generation();
    if (m_rows.size() + added.size() > m_list.size())
        dropGone();
    if (added.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + added.size()) - 1);
    for (const HeardStation& s : added) {
        m_rowOf.insert(s.call, int(m_rows.size()));
        m_rows.append(s);
    }
    endInsertRows();
}

void HeardTableModel::dropGone() {
    // Only once the list is full does a station leave it; rare enough to renumber every row.
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (m_list.find(m_rows.at(row).call))
            continue;
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
    }
    m_rowOf.clear();
    for (int row = 0; row < m_rows.size(); ++row)
        m_rowOf.insert(m_rows.at(row).call, row);
}

HeardListWindow::HeardListWindow(const HeardList& list, QWidget* parent)
    // A tool window of the main window: it shows above the station, never lost behind it.
    : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("frmHeard"));
    setWindowTitle(QStringLiteral("Heard List"));
    // Opening it, or what it shows changing, never takes the focus from the send line.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(640, 340);
    m_model = new HeardTableModel(list, this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(HeardTableModel::kSortRole);
    m_sorted->setDynamicSortFilter(true);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblHeard"));
    m_table->setAccessibleName(QStringLiteral("Heard stations"));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(HeardTableModel::LastHeard, Qt::DescendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {10, 17, 7, 5, 9};
    for (int column = 0; column < 5; ++column)
        m_table->setColumnWidth(column, widths[column] * digit + 12);
    m_table->installEventFilter(this);
    setFocusProxy(m_table);
    connect(m_table, &QTableView::doubleClicked, this, &HeardListWindow::choose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_table);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &HeardListWindow::refresh);
}

HeardListWindow::~HeardListWindow() = default;

void HeardListWindow::open() {
    // Asked for, it is worked in: in front, with the focus; Escape gives the focus back.
    if (isHidden())
        placeOverViews();
    show();
    raise();
    activateWindow();
    m_table->setFocus();
}

void HeardListWindow::placeOverViews() {
    const auto* main = qobject_cast<MainWindow*>(parentWidget());
    if (!main)
        return;
    const QRect area = main->toolArea();
    // Before its first showing the frame is not known yet: room for a title bar.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull())
        frame = QMargins(4, 2 * fontMetrics().height() + 8, 4, 4);
    const QSize outside(frame.left() + frame.right(), frame.top() + frame.bottom());
    resize(QSize(640, 340).boundedTo(area.size() - outside));
    move(area.right() + 1 - width() - outside.width(), area.top()); // the frame's corner
}

void HeardListWindow::refresh() {
    m_model->sync();
}

void HeardListWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    m_refresh.start();
}

void HeardListWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_refresh.stop();
}

bool HeardListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose(m_table->currentIndex());
            return true;
        }
        // Its table holds the keyboard whenever the window does.
        if (key == Qt::Key_Escape || static_cast<QKeyEvent*>(event)->matches(QKeySequence::Close)) {
            close();
            if (auto* main = qobject_cast<MainWindow*>(parentWidget()))
                main->takeKeyboardBack();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HeardListWindow::choose(const QModelIndex& index) {
    if (index.isValid())
        emit callChosen(m_model->callAt(m_sorted->mapToSource(index).row()));
}
