#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// What kind of database failure happened, classified once for the screens
// that react to one kind (a refused duplicate, a value that does not fit).
enum class ErrorKind {
    UniqueViolation,
    ValueTooLong,
    ConnectionLost,
    Other,
};

class DbError : public std::runtime_error
{
public:
    DbError(ErrorKind kind, const QString& text, const QString& nativeCode = QString());

    ErrorKind kind() const { return m_kind; }
    // The description as the database reports it.
    const QString& text() const { return m_text; }
    const QString& nativeCode() const { return m_nativeCode; }

private:
    ErrorKind m_kind;
    QString m_text;
    QString m_nativeCode;
};

} // namespace db
