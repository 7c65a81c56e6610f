#pragma once

#include "query/Query.h"

// The traceability searches over trace_info (the boards) and trace_path (the
// material snapshot each board was built with), joined on self_no.
namespace query::trace {

// Board rows fill the first four shown columns, material rows columns 3 to 19;
// the kind tells the drill-downs apart.
inline const QString kBoard = QStringLiteral("B");
inline const QString kMaterial = QStringLiteral("M");

constexpr int kShownColumns = 19;
QStringList headers();
QList<int> widthsTwips();

// Boxes trimmed by the caller or not: values are trimmed here. The filled
// boxes among batch, panel and serial number match any one of them.
struct ProductFilter
{
    QString batch;
    QString panel;
    QString sn;
    Window window; // update_time of trace_info
};
Statement products(const ProductFilter& f);

// Lot, date code and RT number match any one of the filled ones; the
// component, when filled, must match as well.
struct MaterialFilter
{
    QString lot;
    QString dateCode;
    QString rt;
    QString component;
    Window window; // create_time of trace_path
};
Statement materials(const MaterialFilter& f);

// From a material row: the boards whose snapshot of the part number carried
// the component, by the snapshot's create_time.
Statement boardsOfMaterial(const QString& component, const QString& partNo, const Window& w);
// From a board row: the snapshot of its self number, one row per slot and
// serial number, with the user and time of the checks it copied.
Statement snapshot(const QString& selfNo, const Window& w);

// Shown texts of a fetched board row (4 values) and material row (17 values).
ShownRow boardRow(const QVector<QVariant>& row);
ShownRow materialRow(const QVector<QVariant>& row);

// The shown columns a drill-down reads, counted from 1 as the list shows them.
constexpr int kColMarking = 4;
constexpr int kColPartNo = 5;
constexpr int kColComponent = 10;

} // namespace query::trace
