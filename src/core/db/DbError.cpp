#include "db/DbError.h"

namespace db {

DbError::DbError(ErrorKind kind, const QString& text, const QString& nativeCode)
    : std::runtime_error(text.toStdString())
    , m_kind(kind)
    , m_text(text)
    , m_nativeCode(nativeCode)
{
}

} // namespace db
