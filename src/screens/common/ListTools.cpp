#include "ListTools.h"

#include "app/AppControl.h"
#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "BusyScreen.h"
#include "db/Schema.h"
#include "security/Digest.h"
#include "Style.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QSignalBlocker>
#include <QHeaderView>
#include <QLineEdit>
#include <QSet>
#include <QTableWidget>
#include <QShortcut>
#include <QTreeWidget>

namespace Module1 {

QString LimitRows(const QString& select, bool viewAll)
{
    if (viewAll)
        return select;
    return select.trimmed() + QStringLiteral(" limit %1").arg(kViewAllLimit);
}

namespace {

// Names of the time columns of every table; a result column of that name is
// a time whatever the engine hands back for it.
const QSet<QString>& timeColumns()
{
    static const QSet<QString> names = [] {
        QSet<QString> out;
        for (const schema::Table& t : schema::tables()) {
            for (const schema::Column& c : t.columns) {
                if (c.type == schema::Type::Time)
                    out.insert(QString::fromLatin1(c.name));
            }
        }
        return out;
    }();
    return names;
}

int g_sliceMs = 50;
// Rows read from the database at a time.
constexpr int kPartRows = 1000;

class ListFill;

// The fills running now, innermost last.
QList<ListFill*>& runningFills()
{
    static QList<ListFill*> fills;
    return fills;
}

// One fill of a list from its first row to its last: events handled once a
// slice has taken its time, and a close of the list's screen meanwhile held
// and made once the fill's handler has returned.
class ListFill : public QObject
{
public:
    explicit ListFill(QAbstractItemView* view)
        : m_view(view)
        , m_screen(BusyScreen::screenOf(view))
    {
        // A newer fill of the list replaces whatever an older one would add.
        for (ListFill* f : std::as_const(runningFills())) {
            if (f->m_view == view)
                f->m_replaced = true;
        }
        runningFills() << this;
        if (m_screen)
            m_screen->installEventFilter(this);
        m_slice.start();
    }
    ~ListFill() override
    {
        runningFills().removeOne(this);
        if (!m_screen)
            return;
        m_screen->removeEventFilter(this);
        if (m_closeWanted)
            QTimer::singleShot(0, m_screen.data(), &QWidget::close);
    }
    ListFill(const ListFill&) = delete;
    ListFill& operator=(const ListFill&) = delete;

    // After each part: events once the slice is over; throws FillStopped
    // when the list is not to be filled any further.
    void partDone()
    {
        if (m_slice.elapsed() >= g_sliceMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            m_slice.restart();
        }
        if (!m_view || m_closeWanted || m_replaced || app::ending())
            throw FillStopped();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_screen || event->type() != QEvent::Close)
            return false;
        event->ignore();
        m_closeWanted = true;
        return true;
    }

private:
    QPointer<QAbstractItemView> m_view;
    QPointer<QWidget> m_screen;
    QElapsedTimer m_slice;
    bool m_closeWanted = false;
    bool m_replaced = false;
};

QVector<bool> timeFields(const QStringList& columns, int n)
{
    QVector<bool> out(n, false);
    for (int i = 0; i < n; ++i)
        out[i] = timeColumns().contains(columns.at(i).toLower());
    return out;
}

QString fieldText(const QVariant& v, bool time)
{
    if (time) {
        const QDateTime t = db::ResultSet::toDateTime(v);
        if (t.isValid())
            return t.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
    }
    return db::ResultSet::toText(v);
}

// Rows a part at a time, from a statement read beside the program's
// connection or from a result already read.
class RowParts
{
public:
    RowParts(const QString& sql, const QVariantList& params)
        : m_cursor(Module1::gConn().readInParts(sql, params))
        , m_columns(m_cursor.columns())
        , m_read(true)
    {
    }
    explicit RowParts(db::ResultSet rs)
        : m_rs(std::move(rs))
        , m_columns(m_rs.columns())
    {
    }
    const QStringList& columns() const { return m_columns; }
    // Empty at the end.
    QVector<db::Cursor::Row> next()
    {
        if (m_read)
            return m_cursor.atEnd() ? QVector<db::Cursor::Row>() : Module1::gConn().readPart(m_cursor, kPartRows);
        const int from = m_at;
        m_at = std::min(m_at + kPartRows, m_rs.recordCount());
        return m_rs.rows().mid(from, m_at - from);
    }

private:
    db::Cursor m_cursor;
    db::ResultSet m_rs;
    QStringList m_columns;
    bool m_read = false;
    int m_at = 0;
};

void fillGrid(QTableWidget* grid, RowParts& parts, int fields)
{
    const int n = fields < 0 ? int(parts.columns().size()) : std::min(fields, int(parts.columns().size()));
    const QVector<bool> time = timeFields(parts.columns(), n);
    ListFill fill(grid);
    grid->setUpdatesEnabled(false);
    const auto updates = qScopeGuard([grid = QPointer<QTableWidget>(grid)] {
        if (grid)
            grid->setUpdatesEnabled(true);
    });
    for (QVector<db::Cursor::Row> rows = parts.next(); !rows.isEmpty(); rows = parts.next()) {
        int row = grid->rowCount();
        grid->setRowCount(row + int(rows.size()));
        const int columns = std::min(n, grid->columnCount() - 1);
        for (const db::Cursor::Row& r : std::as_const(rows)) {
            for (int i = 0; i < columns; ++i) {
                auto* item = new QTableWidgetItem(fieldText(r.at(i), time[i]));
                item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                grid->setItem(row, i + 1, item);
            }
            ++row;
        }
        fill.partDone();
    }
}

void fillList(QTreeWidget* list, RowParts& parts, int fields)
{
    const int n = fields < 0 ? int(parts.columns().size()) : std::min(fields, int(parts.columns().size()));
    const QVector<bool> time = timeFields(parts.columns(), n);
    ListFill fill(list);
    for (QVector<db::Cursor::Row> rows = parts.next(); !rows.isEmpty(); rows = parts.next()) {
        QList<QTreeWidgetItem*> items;
        items.reserve(rows.size());
        for (const db::Cursor::Row& r : std::as_const(rows)) {
            auto* item = new QTreeWidgetItem;
            for (int i = 0; i < n; ++i)
                item->setText(i + 1, fieldText(r.at(i), time[i]));
            items << item;
        }
        list->addTopLevelItems(items);
        fill.partDone();
    }
}

} // namespace

FillStopped::FillStopped()
    : db::DbError(db::ErrorKind::Other, QString())
{
}

int SliceMs()
{
    return g_sliceMs;
}

void setSliceMs(int ms)
{
    g_sliceMs = ms;
}

namespace {

QString fieldText(const db::ResultSet& rs, int i, bool time)
{
    if (!time)
        return rs.text(i);
    const QDateTime t = db::ResultSet::toDateTime(rs.value(i));
    return t.isValid() ? t.toString(QStringLiteral("MM/dd/yyyy HH:mm:ss")) : rs.text(i);
}

} // namespace

QString ShownText(const db::ResultSet& rs, int i)
{
    if (i < 0 || i >= rs.fieldCount())
        return QString();
    return fieldText(rs, i, timeColumns().contains(rs.columns().at(i).toLower()));
}

namespace {

// Rows dropped at a time when a long list is emptied.
constexpr int kDropRows = 5000;

} // namespace

void InitGrid(QTableWidget* grid, const QStringList& headers, const QList<int>& widthsTwips)
{
    StyleFlexGrid(grid);
    if (grid->rowCount() > kDropRows) {
        // A long list goes a part at a time, as it came.
        ListFill fill(grid);
        // Emptied rows go at once; their items, whose deletion is what
        // takes long, a part at a time before.
        for (int end = grid->rowCount(); end > 0; end -= kDropRows) {
            {
                // The rows go below; nobody needs to hear of each cell.
                const QSignalBlocker quiet(grid->model());
                for (int r = std::max(0, end - kDropRows); r < end; ++r) {
                    for (int c = 0; c < grid->columnCount(); ++c)
                        delete grid->takeItem(r, c);
                }
            }
            fill.partDone();
            end = std::min(end, grid->rowCount() + kDropRows);
        }
    }
    grid->clear();
    grid->setRowCount(0);
    grid->setColumnCount(int(headers.size()) + 1);
    QStringList labels{QString()};
    labels << headers;
    grid->setHorizontalHeaderLabels(labels);
    for (int c = 0; c <= headers.size(); ++c) {
        if (QTableWidgetItem* h = grid->horizontalHeaderItem(c))
            h->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    grid->setColumnHidden(0, true);
    for (int c = 0; c < widthsTwips.size(); ++c)
        grid->setColumnWidth(c + 1, widthsTwips[c] / kTwipsPerPixel);
}

void FillGrid(QTableWidget* grid, const QString& sql, const QVariantList& params, int fields)
{
    RowParts parts(sql, params);
    fillGrid(grid, parts, fields);
}

void FillGrid(QTableWidget* grid, db::ResultSet rs, int fields)
{
    RowParts parts(std::move(rs));
    fillGrid(grid, parts, fields);
}

void InitList(QTreeWidget* list, const QStringList& headers, const QList<int>& widthsTwips)
{
    StyleListView(list);
    if (list->topLevelItemCount() > kDropRows) {
        ListFill fill(list);
        while (list->topLevelItemCount() > 0) {
            const int keep = std::max(0, list->topLevelItemCount() - kDropRows);
            QList<QTreeWidgetItem*> gone;
            for (int i = list->topLevelItemCount() - 1; i >= keep; --i)
                gone << list->takeTopLevelItem(i);
            qDeleteAll(gone);
            fill.partDone();
        }
    }
    list->clear();
    list->setColumnCount(int(headers.size()) + 1);
    QStringList labels{QString()};
    labels << headers;
    list->setHeaderLabels(labels);
    list->setColumnHidden(0, true);
    for (int c = 0; c < widthsTwips.size(); ++c)
        list->setColumnWidth(c + 1, widthsTwips[c] / kTwipsPerPixel);
}

void FillList(QTreeWidget* list, const QString& sql, const QVariantList& params, int fields)
{
    RowParts parts(sql, params);
    fillList(list, parts, fields);
}

void FillList(QTreeWidget* list, db::ResultSet rs, int fields)
{
    RowParts parts(std::move(rs));
    fillList(list, parts, fields);
}

QStringList GridRowTexts(const QTableWidget* grid, int row)
{
    QStringList out;
    for (int c = 1; c < grid->columnCount(); ++c) {
        const QTableWidgetItem* item = grid->item(row, c);
        out << (item ? item->text() : QString());
    }
    return out;
}

QStringList ListRowTexts(const QTreeWidget* list, int row)
{
    QStringList out;
    const QTreeWidgetItem* item = list->topLevelItem(row);
    for (int c = 1; c < list->columnCount(); ++c)
        out << (item ? item->text(c) : QString());
    return out;
}

namespace {

class RowPicker : public QObject
{
public:
    using Pick = std::function<void(int row, int column, bool clicked)>;

    RowPicker(QAbstractItemView* view, Pick pick) : QObject(view), m_view(view), m_pick(std::move(pick))
    {
        view->viewport()->installEventFilter(this);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { highlightMoved(); });
        connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex& at) { clicked(at); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            m_pressed = true;
            m_pressedAt = m_view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            m_pending = -1;
            m_followed = -1;
        } else if (event->type() == QEvent::MouseButtonRelease && m_pressed) {
            m_pressed = false;
            // A press of another button, or one released off the pressed row
            // after dragging the highlight, makes no click: the highlighted
            // row is picked here.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QModelIndex at = m_view->indexAt(mouse->position().toPoint());
            const bool clickFollows = mouse->button() == Qt::LeftButton && at.isValid() && at == m_pressedAt;
            if (m_pending >= 0 && !clickFollows) {
                const int row = std::exchange(m_pending, -1);
                m_pick(row, m_view->currentIndex().column(), true);
            }
        }
        return false;
    }

private:
    void highlightMoved()
    {
        const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
        if (selected.isEmpty())
            return;
        const int row = selected.first().row();
        if (m_pressed) {
            m_pending = row; // picked by the click that ends the press
            return;
        }
        m_followed = row;
        m_pick(row, m_view->currentIndex().column(), false);
    }

    void clicked(const QModelIndex& at)
    {
        if (!at.isValid())
            return;
        m_pending = -1;
        // Highlighted just before without a press (a click made by the
        // program): already picked.
        if (std::exchange(m_followed, -1) == at.row())
            return;
        m_pick(at.row(), at.column(), true);
    }

    QAbstractItemView* m_view;
    Pick m_pick;
    bool m_pressed = false;
    QPersistentModelIndex m_pressedAt;
    int m_pending = -1;
    int m_followed = -1;
};

} // namespace

void OnRowPicked(QAbstractItemView* view, const std::function<void(int row, int column, bool clicked)>& pick)
{
    new RowPicker(view, pick);
}

void OnSpace(QAbstractItemView* view, const std::function<void(int row)>& act)
{
    // A shortcut of the view alone: Space typed in a box beside it types a blank.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), view, nullptr, nullptr, Qt::WidgetShortcut);
    QObject::connect(space, &QShortcut::activated, view, [view, act] {
        if (view->currentIndex().isValid())
            act(view->currentIndex().row());
    });
}

void ScrollToLastRow(QTableWidget* grid)
{
    if (grid->rowCount() > 0)
        grid->scrollToItem(grid->item(grid->rowCount() - 1, 1), QAbstractItemView::PositionAtTop);
}

void ScrollToLastRow(QTreeWidget* list)
{
    if (list->topLevelItemCount() > 0)
        list->scrollToItem(list->topLevelItem(list->topLevelItemCount() - 1), QAbstractItemView::PositionAtTop);
}

namespace {
const char* const kSortOrder = "trovaSortOrder";
}

void SortListByColumn(QTreeView* list, int column)
{
    if (!list->model() || list->model()->rowCount() == 0)
        return;
    const QVariant stored = list->property(kSortOrder);
    const auto previous = stored.isValid() ? Qt::SortOrder(stored.toInt()) : Qt::AscendingOrder;
    const auto next = previous == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    list->setProperty(kSortOrder, int(next));
    list->sortByColumn(column, next);
}

void InstallColumnSort(QTreeView* list)
{
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    QObject::connect(list->header(), &QHeaderView::sectionClicked, list,
                     [list](int column) { SortListByColumn(list, column); });
}

namespace {

// Upper case one character at a time, so that no letter turns into two (ß
// stays ß); a letter whose capital the single-byte code page lacks stays as
// it is rather than being lost (µ).
QChar upperKeyChar(QChar c)
{
    const QChar up = c.toUpper();
    return windows1252Code(up) >= 0 || windows1252Code(c) < 0 ? up : c;
}

} // namespace

void UpperCaseKeyBox(QLineEdit* box, KeyCleanUp how)
{
    QString text;
    text.reserve(box->text().size());
    for (const QChar c : box->text()) {
        const QChar up = upperKeyChar(c);
        // Control characters and characters the single-byte code page lacks
        // are not part of a key; the rest of that code page stays (€, Š, ’).
        if (how == KeyCleanUp::UpperDropControl && windows1252Code(up) < 31)
            continue;
        text.append(up);
    }
    if (text != box->text())
        box->setText(text);
}

namespace {

class KeyBoxCleanUp : public QObject
{
public:
    KeyBoxCleanUp(QLineEdit* box, KeyCleanUp how) : QObject(box), m_how(how) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut)
            UpperCaseKeyBox(static_cast<QLineEdit*>(watched), m_how);
        return false;
    }

private:
    KeyCleanUp m_how;
};

} // namespace

void InstallUpperCaseKeyBox(QLineEdit* box, KeyCleanUp how)
{
    box->installEventFilter(new KeyBoxCleanUp(box, how));
}

void FillCombo(QComboBox* box, db::ResultSet rs)
{
    const QSignalBlocker quiet(box);
    box->clear();
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        box->addItem(rs.text(0));
    // Adding to an empty list selects its first entry; the list only offers.
    box->setCurrentIndex(-1);
    if (box->isEditable())
        box->setEditText(QString());
}

void ClearCombo(QComboBox* box)
{
    const QSignalBlocker quiet(box);
    box->clear();
    if (box->isEditable())
        box->setEditText(QString());
}

void OnTextChange(QComboBox* box, QObject* context, const std::function<void()>& react)
{
    // currentTextChanged comes once per change of an editable box's text,
    // whether typed, picked or set; never for a text that stays the same.
    // A database failure of the reaction is shown; it cannot go further up
    // a signal.
    QObject::connect(box, &QComboBox::currentTextChanged, context, [react](const QString&) {
        try {
            react();
        } catch (const db::DbError& e) {
            msg::error(e.text());
        }
    });
}

} // namespace Module1
