#pragma once

#include "db/Cursor.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVector>
#include <functional>

// The read-only searches of the query screens: each builds its statement with
// bound values and turns a fetched row into the texts its list shows. No
// widgets here, so that every search is tested on both engines without a
// screen.
namespace query {

// A statement and its values, in the order of its placeholders.
using Statement = db::Cursor::Statement;

// The entry of a filter box that means "no filter".
inline const QString kAll = QStringLiteral("<ALL>");
inline bool isAll(const QString& boxText)
{
    return boxText == kAll;
}

// Both ends of a search window count.
struct Window
{
    QDateTime from;
    QDateTime to;
};
// The window the query screens open with: the previous day at 00:00:01 up to
// now (to the second).
Window defaultWindow(const QDateTime& now);

// The window cut into consecutive parts of at most `hours` hours that leave
// no second out, newest part first (or oldest first). A long search read
// part by part sorts only one part's rows before its first rows show.
QVector<Window> windowParts(const Window& window, int hours, bool newestFirst = true);
// One statement per part of the window, in that order, made by make.
QVector<Statement> inParts(const Window& window, int hours, bool newestFirst,
                           const std::function<Statement(const Window&)>& make);

// A row as a list shows it: the hidden kind (a grid's column 0) and the shown
// cells from column 1 on.
struct ShownRow
{
    QString kind;
    QStringList cells;
};

// A fetched value as a list shows it: Null as the empty text, numbers without
// a trailing ".0".
QString shown(const QVariant& v);
// A time value as every list shows it, "MM/dd/yyyy HH:mm:ss".
QString shownTime(const QVariant& v);

// The list of a filter box: the first column of every row, in row order.
Statement distinctList(const char* sql, const QVariantList& params = {});

} // namespace query
