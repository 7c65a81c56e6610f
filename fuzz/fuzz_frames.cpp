// Gateway bytes through the stream cutter and the frame decoder:
// - frames built from the input with their length, each cut into up to three
//   writes at places the input chooses, must come back whole and in order,
//   unless a piece before the last ends like a frame: such a piece cannot be
//   told from a frame by itself;
// - random sequences of frames of random terminals, each its own read, with
//   runts, never-finished cuts and stalled frames among them: every whole
//   frame comes back once and whole, and nothing else decodes;
// - random bursts of frames with their length and printable payloads, cut
//   into reads anywhere or at a segment's size, pauses under the wait: every
//   frame comes back once and whole, and nothing else;
// - a data frame longer than any frame can be, cut into reads, then a frame:
//   only a first piece of the long one comes back, for its own terminal;
// - the input itself as arbitrary bytes, cut into reads by its first byte,
//   must decode without harm and never be held past the wait.
#include "../tests/core/terminal/ReadSequences.h"
#include "terminal/FrameCodec.h"
#include "terminal/FrameStream.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

using namespace monitor;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void decodeOne(const QByteArray& frame)
{
    const DecodedFrame d = Decode(frame);
    if (frame.size() < kMinFrame) {
        check(d.kind == DecodedFrame::Kind::Abandoned);
        return;
    }
    check(d.terminal >= 0 && d.terminal <= 255);
    // The escape text is plain printable text, never shorter than the frame.
    check(d.escapeText.size() >= frame.size());
    for (QChar c : d.escapeText)
        check(c.unicode() >= 32 && c.unicode() < 128);
    switch (d.kind) {
    case DecodedFrame::Kind::Key:
        check(d.keyName.size() == 2 && d.keyName.at(0) == QLatin1Char('F'));
        break;
    case DecodedFrame::Kind::Data:
        // The payload ends at the first CR, and "\0D" stands for nothing else.
        check(!d.payload.contains(QLatin1String("\\0D")));
        check(frame.indexOf('\r', kPayloadStart) >= kPayloadStart);
        check(d.escapeText.contains(d.payload));
        break;
    case DecodedFrame::Kind::Abandoned:
        // Only a piece without its CR, or too short to say anything.
        check(frame.indexOf('\r', kPayloadStart) < 0 || d.escapeText.size() < 11);
        break;
    default:
        break;
    }
    // Every answer stays a well-formed frame, whatever was scanned.
    const QByteArray out = DisplayFrame(d.payload, d.terminal);
    check(out.size() <= 255 && static_cast<unsigned char>(out.at(0)) == out.size());
}

} // namespace

namespace {

// Reads the input front to back; zeros once it is used up.
struct Input
{
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool more() const { return at < size; }
    uint8_t next() { return at < size ? data[at++] : 0; }
};

// A frame of the kind the input picks, with its length in byte 0 and the
// header, terminal, type byte and payload taken from the input.
QByteArray buildFrame(Input& in)
{
    const uint8_t kind = in.next() % 3;
    QByteArray f(8, '\0');
    for (int i = 1; i < 8; ++i)
        f[i] = char(in.next());
    if (kind == 0) {
        f += char(in.next()); // type byte
        const int payload = in.next() % (FrameStream::kMaxFrame - 10);
        for (int i = 0; i < payload; ++i)
            f += char(in.next());
        f += "\r\n";
    } else if (kind == 1) {
        f += '\0';
        f += char(0x3B + in.next() % 7);
    } else {
        f += QByteArray(4, char(0xFF));
    }
    f[0] = char(f.size());
    return f;
}

void framesComeBackWhole(const uint8_t* data, size_t size)
{
    Input in{data, size};
    FrameStream stream([] { return qint64(0); });
    QList<QByteArray> sent;
    QList<QByteArray> got;
    while (in.more() && sent.size() < 8) {
        const QByteArray f = buildFrame(in);
        const qsizetype i = in.next() % f.size();
        const qsizetype j = i == 0 ? 0 : i + in.next() % (f.size() - i);
        const auto endsLikeFrame = [&](qsizetype from, qsizetype to) {
            return from < to && FrameStream::endsLikeFrame(QByteArrayView(f).sliced(from, to - from));
        };
        if (i > 0 && (endsLikeFrame(0, i) || endsLikeFrame(0, j) || endsLikeFrame(i, j)))
            continue; // a piece that is a frame by itself
        if (i > 0) {
            got += stream.feed(f.left(i));
            got += stream.feed(f.mid(i, j - i));
        }
        got += stream.feed(f.mid(j));
        sent << f;
    }
    check(got == sent);
    check(stream.pending() == 0);
}

void ownReadsComeBackOnce(const uint8_t* data, size_t size)
{
    Input in{data, size};
    check(readsequences::wholeFramesComeBackOnce(readsequences::build([&] { return int(in.next()); }, 12)));
}

void burstsComeBackOnce(const uint8_t* data, size_t size)
{
    Input in{data, size};
    const qsizetype cutAt = std::array<qsizetype, 3>{ 0, 536, 1460 }[in.next() % 3];
    check(readsequences::burstComesBackOnce(readsequences::burst([&] { return int(in.next()); }, 30, cutAt)));
}

void overlongFrameReachesItsTerminalOnly(const uint8_t* data, size_t size)
{
    Input in{data, size};
    const int terminal = in.next();
    const qsizetype read = 1 + (100 + in.next() * 5) % 320;
    const bool joined = in.next() & 1;
    const int payload = 246 + in.next();
    const QByteArray next = buildFrame(in);
    QByteArray huge = QByteArray(7, '\0') + char(terminal) + char(0x01);
    // A payload without a frame ending, so that the frame's own CR LF ends it.
    for (int i = 0; i < payload; ++i) {
        const uint8_t b = in.next();
        huge += (b == 0x00 || b == 0x0D || b == 0xFF) ? 'x' : char(b);
    }
    huge += "\r\n";
    huge[0] = char(huge.size());

    FrameStream stream([] { return qint64(0); });
    QList<QByteArray> got;
    qsizetype at = 0;
    for (; at + read < huge.size(); at += read)
        got += stream.feed(huge.mid(at, read));
    // Before 255 bytes are held the long frame is not known to be one: a
    // last read that ends like a frame by itself is a frame by the stream's
    // rule. Joined to a piece still held, the bytes end like a frame and are
    // one; only the rest of a handed-on piece is joined.
    if (at < FrameStream::kMaxFrame && FrameStream::endsLikeFrame(QByteArrayView(huge).sliced(at)))
        return;
    if (joined && at >= FrameStream::kMaxFrame) {
        got += stream.feed(huge.mid(at) + next);
    } else {
        got += stream.feed(huge.mid(at));
        got += stream.feed(next);
    }
    check(got.size() == 2 && got.first().size() >= FrameStream::kMaxFrame && huge.startsWith(got.first()));
    check(Decode(got.first()).terminal == terminal && got.last() == next);
    check(stream.pending() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    framesComeBackWhole(data, size);
    ownReadsComeBackOnce(data, size);
    burstsComeBackOnce(data, size);
    overlongFrameReachesItsTerminalOnly(data, size);

    const QByteArray all(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    decodeOne(all);

    const int step = 1 + data[0] % 32;
    const bool stale = data[0] & 0x80;
    qint64 now = 0;
    FrameStream stream([&] { return now; }, 100);
    for (qsizetype at = 0; at < all.size(); at += step) {
        const QList<QByteArray> frames = stream.feed(all.mid(at, step));
        for (const QByteArray& f : frames) {
            check(!f.isEmpty());
            decodeOne(f);
        }
        check(stream.pending() < 255);
        now += stale ? 150 : 1;
    }
    // Whatever is left is handed on once it has waited, never kept.
    now += 1000;
    for (const QByteArray& f : stream.takeStale())
        decodeOne(f);
    check(stream.pending() == 0);
    return 0;
}
