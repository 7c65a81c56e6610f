#include "ListTools.h"

#include "app/MessageLayer.h"
#include "db/Schema.h"
#include "security/Digest.h"
#include "Style.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMouseEvent>
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

// The time flag of each field of a result.
int g_yieldingFills = 0;

// Lets the program's other work run once a slice of a fill has taken its
// time, while a YieldingFills is held.
class FillSlices
{
public:
    FillSlices() { m_slice.start(); }
    void rowDone()
    {
        if (g_yieldingFills == 0 || (++m_rows % 256) != 0 || m_slice.elapsed() < kSliceMs)
            return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_slice.restart();
    }

private:
    static constexpr qint64 kSliceMs = 50;
    QElapsedTimer m_slice;
    int m_rows = 0;
};

QVector<bool> timeFields(const db::ResultSet& rs, int n)
{
    QVector<bool> out(n, false);
    for (int i = 0; i < n; ++i)
        out[i] = timeColumns().contains(rs.columns().at(i).toLower());
    return out;
}

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

void InitGrid(QTableWidget* grid, const QStringList& headers, const QList<int>& widthsTwips)
{
    StyleFlexGrid(grid);
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

YieldingFills::YieldingFills()
{
    ++g_yieldingFills;
}

YieldingFills::~YieldingFills()
{
    --g_yieldingFills;
}

void FillGrid(QTableWidget* grid, db::ResultSet rs, int fields)
{
    const int n = fields < 0 ? rs.fieldCount() : std::min(fields, rs.fieldCount());
    const QVector<bool> time = timeFields(rs, n);
    int row = grid->rowCount();
    grid->setUpdatesEnabled(false);
    grid->setRowCount(row + rs.recordCount());
    FillSlices slices;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext(), ++row) {
        for (int i = 0; i < n && i + 1 < grid->columnCount(); ++i) {
            auto* item = new QTableWidgetItem(fieldText(rs, i, time[i]));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            grid->setItem(row, i + 1, item);
        }
        slices.rowDone();
    }
    grid->setUpdatesEnabled(true);
}

void InitList(QTreeWidget* list, const QStringList& headers, const QList<int>& widthsTwips)
{
    StyleListView(list);
    list->clear();
    list->setColumnCount(int(headers.size()) + 1);
    QStringList labels{QString()};
    labels << headers;
    list->setHeaderLabels(labels);
    list->setColumnHidden(0, true);
    for (int c = 0; c < widthsTwips.size(); ++c)
        list->setColumnWidth(c + 1, widthsTwips[c] / kTwipsPerPixel);
}

void FillList(QTreeWidget* list, db::ResultSet rs, int fields)
{
    const int n = fields < 0 ? rs.fieldCount() : std::min(fields, rs.fieldCount());
    const QVector<bool> time = timeFields(rs, n);
    QList<QTreeWidgetItem*> items;
    items.reserve(rs.recordCount());
    FillSlices slices;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        auto* item = new QTreeWidgetItem;
        for (int i = 0; i < n; ++i)
            item->setText(i + 1, fieldText(rs, i, time[i]));
        items << item;
        slices.rowDone();
    }
    list->addTopLevelItems(items);
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
