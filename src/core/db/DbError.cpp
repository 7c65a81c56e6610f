#include "db/DbError.h"

namespace db {

namespace {

QString shown(const QString& text, bool outcomeUnknown)
{
    if (!outcomeUnknown)
        return text;
    // One line, as the error log and the monitor's history show it.
    return text + QStringLiteral(" The change was sent before the connection was lost: whether it was stored is not "
                                 "known.");
}

} // namespace

DbError::DbError(ErrorKind kind, const QString& text, const QString& nativeCode, bool outcomeUnknown)
    : std::runtime_error(shown(text, outcomeUnknown).toStdString())
    , m_kind(kind)
    , m_text(text)
    , m_shown(shown(text, outcomeUnknown))
    , m_nativeCode(nativeCode)
    , m_outcomeUnknown(outcomeUnknown)
{
}

} // namespace db
