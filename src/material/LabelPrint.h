#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The Print buttons of the part-number and lot screens: the quantity prompt,
// and labels sent through the configured label sink as one print run.
namespace labelprint {

// Asks "Please input print QTY." / "Print QTY" through msg::, returns the
// number of labels (0 or more) or nullopt when nothing is to be printed; shows
// the error box itself for a quantity out of range.
std::optional<int> AskPrintQuantity();

// Prints each label (its command lines) copiesEach times, in order. A label
// with a character the printer's code page lacks stops the run before any
// label is sent, with a message naming the character. Printer failures do
// not stop it: the first is written to the error log and shown once at the
// end (not a box per label).
void PrintLabels(const QList<QStringList>& labels, int copiesEach = 1);

} // namespace labelprint
