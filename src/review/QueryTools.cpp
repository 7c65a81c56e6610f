#include "QueryTools.h"

#include "QueryModel.h"
#include "Style.h"
#include "app/Module1.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableView>
#include <QTreeView>

namespace {

// A grid and a list hide and size their columns alike, through members of
// their own.
template <typename View>
void showModel(View* view, QueryModel* model, const QList<int>& widthsTwips)
{
    view->setModel(model);
    view->setColumnHidden(0, true);
    for (int c = 0; c < widthsTwips.size(); ++c)
        view->setColumnWidth(c + 1, widthsTwips[c] / Module1::kTwipsPerPixel);
}

} // namespace

namespace querytools {

QDateTimeEdit* newTimePicker(QWidget* parent, const QString& name)
{
    auto* p = new QDateTimeEdit(parent);
    p->setObjectName(name);
    p->setDisplayFormat(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
    p->setCalendarPopup(true);
    return p;
}

QDateTime pickerValue(const QDateTimeEdit* picker)
{
    const QDateTime v = picker->dateTime();
    const QTime t = v.time();
    return QDateTime(v.date(), QTime(t.hour(), t.minute(), t.second()));
}

query::Window pickerWindow(const QDateTimeEdit* from, const QDateTimeEdit* to)
{
    return {pickerValue(from), pickerValue(to)};
}

void InitDates(QDateTimeEdit* from, QDateTimeEdit* to)
{
    const query::Window w = query::defaultWindow(Module1::now());
    from->setDateTime(w.from);
    to->setDateTime(w.to);
}

void fillBox(QComboBox* box, const query::Statement& statement, bool withAll)
{
    const QSignalBlocker quiet(box);
    box->clear();
    if (withAll)
        box->addItem(query::kAll);
    db::ResultSet rs = Module1::gConn().query(statement.sql, statement.params);
    QStringList items;
    for (; !rs.eof(); rs.moveNext())
        items << rs.text(0);
    box->addItems(items);
    if (box->count() > 0)
        box->setCurrentIndex(0);
}

void showGrid(QTableView* grid, QueryModel* model, const QList<int>& widthsTwips)
{
    Module1::StyleFlexGrid(grid);
    showModel(grid, model, widthsTwips);
}

void showList(QTreeView* list, QueryModel* model, const QList<int>& widthsTwips)
{
    Module1::StyleListView(list);
    showModel(list, model, widthsTwips);
}

} // namespace querytools
