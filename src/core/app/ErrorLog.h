#pragma once

#include <QDateTime>
#include <QString>

// The daily error log: one file a calendar day, "TROVA_" + year + month + day
// + ".Log" with month and day without leading zeros, one line a message.
namespace ErrorLog {

QString fileNameFor(const QDate& day);
QString pathFor(const QString& folder, const QDate& day);
// Appends "HH:mm:ss" + two blanks + message + CRLF to the day's file, creating
// folder and file as needed. Throws std::runtime_error naming the path, the
// reason and the line lost when the line cannot be written whole (a full
// disk among them); the file then holds no part of it.
void write(const QString& folder, const QString& message, const QDateTime& now);

} // namespace ErrorLog
