#include "label/LabelSink.h"

#include <cups/cups.h>

namespace label {

namespace {

QString lastCupsError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

} // namespace

CupsLabelSink::CupsLabelSink(const QString& queue) : m_queue(queue) {}

bool CupsLabelSink::send(const QByteArray& job, QString* error)
{
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };

    QByteArray name = m_queue.toUtf8();
    if (name.isEmpty()) {
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
        if (!dest)
            return fail(QStringLiteral("No default printer is set up for the labels (%1)").arg(lastCupsError()));
        name = dest->name;
        cupsFreeDests(1, dest);
    }
    const QString where = QStringLiteral("Label printer %1: ").arg(QString::fromUtf8(name));

    const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), "TROVA label", 0, nullptr);
    if (id == 0)
        return fail(where + lastCupsError());
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), id, "label", CUPS_FORMAT_RAW, 1)
        != HTTP_STATUS_CONTINUE) {
        const QString text = lastCupsError();
        cupsCancelJob(name.constData(), id);
        return fail(where + text);
    }
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, job.constData(), size_t(job.size())) != HTTP_STATUS_CONTINUE) {
        const QString text = lastCupsError();
        cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData());
        cupsCancelJob(name.constData(), id);
        return fail(where + text);
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData()) != IPP_STATUS_OK)
        return fail(where + lastCupsError());
    return true;
}

} // namespace label
