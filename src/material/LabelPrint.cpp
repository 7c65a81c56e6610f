#include "LabelPrint.h"

#include "app/MessageLayer.h"
#include "app/Module1.h"
#include "label/LabelSink.h"
#include "label/LabelLanguage.h"

#include <QStringList>
#include <algorithm>
#include <exception>

namespace labelprint {

namespace {
PrintRun* g_run = nullptr;
} // namespace

std::optional<int> AskPrintQuantity()
{
    const std::optional<QString> answer =
        msg::prompter().inputText(QStringLiteral("Print QTY"), QStringLiteral("Please input print QTY."), QString());
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

PrintRun::PrintRun()
{
    if (!g_run) {
        g_run = this;
        m_outer = true;
    }
}

PrintRun::~PrintRun()
{
    if (!m_outer)
        return;
    g_run = nullptr;
    if (m_failed == 0)
        return;
    // An operator must know the labels did not come out: logged for the
    // record and shown once for the whole run.
    try {
        Module1::WriteErrorLog(QStringLiteral("Label printer: ") + m_firstError);
    } catch (const std::exception&) {
        // The box below still tells the operator.
    }
    msg::error(QStringLiteral("%1 of %2 labels were not printed: %3").arg(m_failed).arg(m_sent).arg(m_firstError));
}

void sendLabel(const QStringList& lines)
{
    PrintRun local; // a label printed outside a run reports on its own
    QString error;
    const bool taken = label::sink().send(label::LabelJob(lines), &error);
    ++g_run->m_sent;
    if (!taken) {
        if (g_run->m_failed++ == 0)
            g_run->m_firstError = error.isEmpty() ? QStringLiteral("the printer did not take the label") : error;
    }
}

void PrintPartLabel(const QString& partNo)
{
    sendLabel(label::PartLabelLines(partNo));
}

void PrintLinkLabel(const QString& compCode, const QString& linkId)
{
    sendLabel(label::LinkLabelLines(compCode, linkId));
}

} // namespace labelprint
