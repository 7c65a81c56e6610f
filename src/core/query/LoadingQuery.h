#pragma once

#include "query/Query.h"

// The component loading record: the matching checks of one part number in a
// window, oldest first, for components kept under the vendor name "NIL".
namespace query::loading {

constexpr int kShownColumns = 21;
QStringList headers();
QList<int> widthsTwips();

// Nothing to search (empty statement) when the project or part is empty.
Statement search(const QString& project, const QString& partNo, const Window& w);
ShownRow shownRow(const QVector<QVariant>& row);
// From the part number's approval flag, the check's approval value and the
// approver's name.
QString statusText(const QString& approve, const QString& approveValue, const QString& approverName);

Statement projects();
Statement parts(const QString& project);

} // namespace query::loading
