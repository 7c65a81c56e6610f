#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>

// The label printer's command language: the part-number label and the link
// label as command lines, the number format of their coordinates, and the
// quantity the Print buttons read. Lines in, no widgets, no printer.
namespace label {

// Why a Print button prints nothing; message() is the text it shows.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message);
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// A print quantity the printer's counter cannot hold.
class QuantityError : public Error
{
    using Error::Error;
};

// A label text with a character the printer's code page lacks; the message
// names the character.
class EncodingError : public Error
{
    using Error::Error;
};

// The decimal text of n with at least four digits, zero-padded: 50 -> "0050".
QString FormatCoord(int n);

// The 46 command lines of one part-number label.
QStringList PartLabelLines(const QString& partNo);
// The 50 command lines of one link label: the component code under the part
// caption, the link id as text and as bar code.
QStringList LinkLabelLines(const QString& compCode, const QString& linkId);

// The Print buttons' quantity: the answer of the input box. nullopt when the
// answer is not numeric (empty, Cancel, "abc"): nothing happens. Otherwise the
// value rounded half to even; throws label::QuantityError (with the message
// to show) when it is outside the 16-bit signed range.
std::optional<int> PrintQuantity(const QString& answer);

// One label as the printer receives it: the lines joined, each ended by CR
// LF, in Windows-1252, the code page the key boxes keep (so the bar code
// carries the stored text byte for byte). Variable text is sent unchanged,
// delimiters included. Throws EncodingError for a character outside the code
// page: never replaced by another.
QByteArray LabelJob(const QStringList& lines);

// "Order Print" on the lot list: the list rows (from 1) whose labels are
// printed for the clicked row selIndex and a quantity: the clicked row, then
// each row above it, at most quantity rows, never above the first row. None
// when no row was clicked (0) or the quantity is not positive.
QList<int> OrderPrintRows(int selIndex, int quantity);

} // namespace label
