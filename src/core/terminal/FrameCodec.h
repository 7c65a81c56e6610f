#pragma once

#include <QByteArray>
#include <QString>

// The byte formats between the monitor and the handheld terminals behind a
// gateway. Widget-free and database-free, so that the decoder can be fed
// arbitrary bytes on its own.
namespace monitor {

// Byte 7 of a received frame: the terminal number.
constexpr int kTerminalByte = 7;
// Byte 8: the type byte; the payload follows it.
constexpr int kPayloadStart = 9;
// Shortest frame that still carries a terminal number.
constexpr int kMinFrame = 8;
// A display frame's length is one byte: 8 header bytes and the text.
constexpr int kMaxDisplayText = 247;

// Commands of the frames sent to a terminal.
constexpr char kCmdShowText = 0;
constexpr char kCmdSignalOn = 4;
constexpr char kCmdSignalOff = 5;

// The received bytes turned into text: byte 7 as "\" and its decimal value
// (two digits at least), control bytes, the backslash and bytes of 128 or
// more as "\" and two upper-case hex digits, every other byte as itself.
QString EscapeText(const QByteArray& frame);

// "F1" to "F7" when the escape text ends with a key frame's "\00" and scan
// code, "num" otherwise.
QString GetKeyName(const QString& escapeText);

// True when the escape text ends like the terminal's start-up frame.
bool IsStartupFrame(const QString& escapeText);

// The terminal number of byte 7 as three digits ("005").
QString NodeText(int terminal);

// What one received frame is, and what it carries.
struct DecodedFrame
{
    enum class Kind {
        Abandoned, // cannot be decoded: nothing is sent and nothing changes
        Key,
        Startup,
        Data,
    };
    Kind kind = Kind::Abandoned;
    int terminal = -1;
    QString escapeText;
    QString keyName; // Key only
    // Data only: the escape text of bytes 9 up to the first CR. A frame
    // without that CR cannot be decoded: it is a piece of a frame, and
    // nothing is answered for it.
    QString payload;
};

DecodedFrame Decode(const QByteArray& frame);

// The frames sent to a terminal. The text goes one byte per character (Latin-1)
// and is cut at kMaxDisplayText so that the length byte stays true.
QByteArray DisplayFrame(const QString& text, int terminal);
QByteArray SignalFrame(bool on, int terminal);

// Where the frames for the terminals of one gateway go: the gateway's socket in
// the program, a recorder in the tests.
class TerminalLink
{
public:
    virtual ~TerminalLink() = default;
    // Sends one whole frame; false with the reason in *error when it was not sent.
    virtual bool sendFrame(const QByteArray& frame, QString* error) = 0;
};

// Terminal numbers travel as text between the steps ("005", " 5"): the
// numeric value, leading blanks allowed, 0 when it is no number.
int TerminalNumber(const QString& text);

// Sends text to the terminal; false with the reason in *error when not sent.
bool SendDisplayText(const QString& text, const QString& terminal, TerminalLink& link, QString* error = nullptr);
// Signal on when onOff is "on", off for any other text. A failure is ignored.
void SendSignal(const QString& onOff, const QString& terminal, TerminalLink& link);

} // namespace monitor
