#pragma once

#include "query/Query.h"

// What the handheld terminals watch: each terminal's line set-up rows with
// the components set up on every slot of the watched machines and the slot
// barcodes linked to those slots.
namespace query::terminal {

constexpr int kShownColumns = 9;
QStringList headers();
QList<int> widthsTwips();

// kAll in either box means no filter on it.
Statement search(const QString& gateway, const QString& terminal);
ShownRow shownRow(const QVector<QVariant>& row);

Statement gateways();
// The terminals of a gateway; every terminal id when the gateway is kAll.
Statement terminals(const QString& gateway);

} // namespace query::terminal
