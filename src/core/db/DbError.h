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
    DbError(ErrorKind kind, const QString& text, const QString& nativeCode = QString(), bool outcomeUnknown = false);

    ErrorKind kind() const { return m_kind; }
    // The description to show: the database's, followed, where the outcome
    // is not known, by a sentence that says so.
    const QString& text() const { return m_shown; }
    // The description as the database reports it.
    const QString& cause() const { return m_text; }
    const QString& nativeCode() const { return m_nativeCode; }
    // A write that stands by itself (one outside a transaction, or a
    // commit) was sent and the connection was lost before the server
    // answered: the server may have stored it all the same.
    bool outcomeUnknown() const { return m_outcomeUnknown; }

private:
    ErrorKind m_kind;
    QString m_text;
    QString m_shown;
    QString m_nativeCode;
    bool m_outcomeUnknown;
};

} // namespace db
