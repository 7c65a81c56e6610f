#pragma once

#include "query/Query.h"

// The check history search: the checks of check_history and, on request, the
// scans no set-up or lot matched, from error_history, newest first.
namespace query::wip {

enum class Option {
    All, // matched and mismatched checks and unmatched scans
    Normal, // matched checks only
    Error, // mismatched checks and unmatched scans
};

// The boxes' texts; kAll means no filter. The project only narrows the
// part-number list and is no condition.
struct Filter
{
    QString line = kAll;
    QString machine = kAll;
    QString module = kAll;
    QString slot = kAll;
    QString part = kAll;
    Window window;
    Option option = Option::All;
};

Statement search(const Filter& f);
// The same search cut into consecutive parts of the window, newest first, of
// at most `days` days each: read one after the other they give the rows of
// search() in its order, while each part sorts only its own rows. (Rows that
// the union folds share their time, so they always fall in one part.)
QVector<Statement> searchInParts(const Filter& f, int days = 1);

// Shown columns of the grid after the hidden result kind.
constexpr int kShownColumns = 20;
QStringList headers();
QList<int> widthsTwips();

// Result kind "0", "1" or "2" and the 20 shown texts, the status text last.
ShownRow shownRow(const QVector<QVariant>& row);
// The status text of a row from its kind, approver, the part number's
// approval flag and the check's approval value.
QString statusText(const QString& kind, const QString& approveUser, const QString& approve,
                   const QString& approveValue);

// The filter boxes' lists. A parent box on kAll lists every value of the
// child (never a list left over from an earlier choice).
Statement lines();
Statement machines(const QString& line);
Statement modules(const QString& machine);
Statement slots(const QString& module);
Statement projects();
Statement parts(const QString& project);

} // namespace query::wip
