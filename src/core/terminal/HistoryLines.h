#pragma once

#include <QDateTime>
#include <QString>

namespace monitor {

// The lines of the monitor's history list.
namespace history {

// The date and time, and the time of day, as the lines show them.
QString Now(const QDateTime& t);
QString Time(const QDateTime& t);

QString Connected(const QDateTime& t, const QString& remoteIp);
QString SocketError(const QString& remoteHost, const QString& description);
// Codes 1 to 7; empty for any other.
QString Rejection(const QDateTime& t, int code, const QString& node);
// Data longer than one frame's text is cut, and the line says so.
QString Data(const QDateTime& t, const QString& data, const QString& remoteIp, const QString& node);
// A gateway sent frames faster than they are handled: those past the bound go.
QString FramesDropped(const QDateTime& t, const QString& remoteIp);
QString DatabaseDown(const QDateTime& t, const QString& description);
QString DatabaseBack(const QDateTime& t);

// The list keeps this many lines; older ones are dropped.
constexpr int kMaxLines = 5000;
// The longest data a line shows: the escape text of the longest frame's
// payload, three characters a byte.
constexpr int kMaxDataText = 3 * 255;

} // namespace history

} // namespace monitor
