#include "LabelPrint.h"

#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "label/LabelSink.h"
#include "label/LabelLanguage.h"

#include <algorithm>
#include <exception>

namespace labelprint {

std::optional<int> AskPrintQuantity()
{
    const std::optional<QString> answer =
        msg::inputText(QStringLiteral("Print QTY"), QStringLiteral("Please input print QTY."), QString());
    if (!answer)
        return std::nullopt;
    try {
        const std::optional<int> n = label::PrintQuantity(*answer);
        if (!n)
            return std::nullopt;
        return std::max(0, *n);
    } catch (const label::QuantityError& e) {
        msg::box(e.message());
        return std::nullopt;
    }
}

void PrintLabels(const QList<QStringList>& labels, int copiesEach)
{
    if (copiesEach <= 0 || labels.isEmpty())
        return;
    QList<QByteArray> jobs;
    try {
        for (const QStringList& lines : labels)
            jobs << label::LabelJob(lines);
    } catch (const label::EncodingError& e) {
        msg::exclamation(e.message());
        return;
    }
    int sent = 0;
    int failed = 0;
    QString firstError;
    for (const QByteArray& job : std::as_const(jobs)) {
        for (int i = 0; i < copiesEach; ++i) {
            QString error;
            ++sent;
            if (!label::sink().send(job, &error) && failed++ == 0)
                firstError = error.isEmpty() ? QStringLiteral("the printer did not take the label") : error;
        }
    }
    if (failed == 0)
        return;
    // An operator must know the labels did not come out: logged for the
    // record and shown once for the whole run.
    try {
        Module1::WriteErrorLog(QStringLiteral("Label printer: ") + firstError);
    } catch (const std::exception&) {
        // The box below still tells the operator.
    }
    msg::error(QStringLiteral("%1 of %2 labels were not printed: %3").arg(failed).arg(sent).arg(firstError));
}

} // namespace labelprint
