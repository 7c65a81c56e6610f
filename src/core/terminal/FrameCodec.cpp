#include "terminal/FrameCodec.h"

namespace monitor {

namespace {

const char kHex[] = "0123456789ABCDEF";

void appendEscaped(QString& out, unsigned char b)
{
    out += QLatin1Char('\\');
    out += QLatin1Char(kHex[b >> 4]);
    out += QLatin1Char(kHex[b & 0x0F]);
}

void appendByte(QString& out, unsigned char b)
{
    if (b < 32 || b == '\\' || b >= 128)
        appendEscaped(out, b);
    else
        out += QLatin1Char(char(b));
}

// Escape text of bytes [from, to) that never include byte 7.
QString escapeRange(const QByteArray& frame, int from, int to)
{
    QString out;
    out.reserve((to - from) * 3);
    for (int i = from; i < to; ++i)
        appendByte(out, static_cast<unsigned char>(frame.at(i)));
    return out;
}

} // namespace

QString EscapeText(const QByteArray& frame)
{
    QString out;
    out.reserve(int(frame.size()) * 3);
    for (int i = 0; i < frame.size(); ++i) {
        const auto b = static_cast<unsigned char>(frame.at(i));
        if (i == kTerminalByte) {
            out += QLatin1Char('\\');
            if (b < 10)
                out += QLatin1Char('0');
            out += QString::number(b);
        } else {
            appendByte(out, b);
        }
    }
    return out;
}

QString GetKeyName(const QString& escapeText)
{
    if (escapeText.size() < 4)
        return QStringLiteral("num");
    const QStringView tail = QStringView(escapeText).right(4);
    if (!tail.startsWith(QLatin1String("\\00")))
        return QStringLiteral("num");
    const QChar code = tail.at(3);
    if (code >= QLatin1Char(';') && code <= QLatin1Char('A'))
        return QStringLiteral("F") + QString::number(code.unicode() - ';' + 1);
    return QStringLiteral("num");
}

bool IsStartupFrame(const QString& escapeText)
{
    return escapeText.endsWith(QLatin1String("FF\\FF\\FF\\FF"));
}

QString NodeText(int terminal)
{
    return QStringLiteral("%1").arg(terminal, 3, 10, QLatin1Char('0'));
}

DecodedFrame Decode(const QByteArray& frame)
{
    DecodedFrame d;
    if (frame.size() < kMinFrame)
        return d;
    d.terminal = static_cast<unsigned char>(frame.at(kTerminalByte));
    d.escapeText = EscapeText(frame);
    d.keyName = GetKeyName(d.escapeText);
    if (d.keyName != QLatin1String("num")) {
        d.kind = DecodedFrame::Kind::Key;
        return d;
    }
    d.keyName.clear();
    if (d.escapeText.size() < 11)
        return d;
    if (IsStartupFrame(d.escapeText)) {
        d.kind = DecodedFrame::Kind::Startup;
        return d;
    }
    // The payload is what stands between the type byte and the CR. Taking it
    // by position (not by searching the header's escape text for the type
    // byte's escape) keeps a header byte that equals the type byte, or a type
    // byte that needs no escape, from moving it.
    const int cr = int(frame.indexOf('\r', kPayloadStart));
    if (cr < 0)
        return d;
    d.kind = DecodedFrame::Kind::Data;
    d.payload = escapeRange(frame, kPayloadStart, cr);
    return d;
}

QByteArray DisplayFrame(const QString& text, int terminal)
{
    const QByteArray body = text.left(kMaxDisplayText).toLatin1();
    QByteArray f(8, '\0');
    f[0] = char(8 + body.size());
    f[2] = char(0x60);
    f[6] = kCmdShowText;
    f[7] = char(terminal);
    return f + body;
}

QByteArray SignalFrame(bool on, int terminal)
{
    QByteArray f(8, '\0');
    f[0] = 8;
    f[2] = char(0x60);
    f[6] = on ? kCmdSignalOn : kCmdSignalOff;
    f[7] = char(terminal);
    return f;
}

int TerminalNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

bool SendDisplayText(const QString& text, const QString& terminal, TerminalLink& link, QString* error)
{
    QString why;
    const bool sent = link.sendFrame(DisplayFrame(text, TerminalNumber(terminal)), &why);
    if (!sent && error)
        *error = why;
    return sent;
}

void SendSignal(const QString& onOff, const QString& terminal, TerminalLink& link)
{
    QString ignored;
    link.sendFrame(SignalFrame(onOff == QLatin1String("on"), TerminalNumber(terminal)), &ignored);
}

} // namespace monitor
