#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The Print buttons of the part-number and lot screens: the quantity prompt,
// and labels sent through the configured label sink with the printer's
// failures collected per run.
namespace labelprint {

// Asks "Please input print QTY." / "Print QTY" through msg::, returns the
// number of labels (0 or more) or nullopt when nothing is to be printed; shows
// the error box itself for a quantity out of range.
std::optional<int> AskPrintQuantity();

// One print run: collects printer failures of the labels printed during its
// life and, when it ends, writes the first failure to the error log and shows
// it once (not a box per line or per label). Runs nest: an inner run leaves
// the report to the outer one.
class PrintRun
{
public:
    PrintRun();
    ~PrintRun();
    PrintRun(const PrintRun&) = delete;
    PrintRun& operator=(const PrintRun&) = delete;

private:
    friend void sendLabel(const QStringList& lines);
    bool m_outer = false;
    int m_sent = 0;
    int m_failed = 0;
    QString m_firstError;
};

// One label of these lines through label::sink(), counted in the current run.
void sendLabel(const QStringList& lines);

void PrintPartLabel(const QString& partNo); // one label through label::sink()
void PrintLinkLabel(const QString& compCode, const QString& linkId); // one label through label::sink()

} // namespace labelprint
