// Gateway bytes through the stream cutter and the frame decoder, two ways:
// - frames built from the input with their length, joined and cut into reads
//   at places the input chooses, must come back whole and in order;
// - the input itself as arbitrary bytes, cut into reads by its first byte,
//   must decode without harm and never be held past the wait;
// - frames of several terminals, one write each, some cut in two within the
//   wait, key and start-up frames without their length, data frames stalled
//   past the wait: each comes back once, whole or (stalled) as its piece,
//   and a stalled frame's rest never comes back as a frame;
// - a data frame longer than any frame can be, cut into reads, then a frame:
//   only a first piece of the long one comes back, for its own terminal.
// A piece that ends like a frame followed by a read that is a whole frame
// by itself is two frames by the stream's rule, so a cut there is not made.
#include "terminal/FrameCodec.h"
#include "terminal/FrameStream.h"

#include <algorithm>
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
        check(d.hasPayload == (frame.indexOf('\r', kPayloadStart) >= kPayloadStart));
        check(d.hasPayload || d.payload.isEmpty());
        check(d.escapeText.contains(d.payload));
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
    QList<QByteArray> sent;
    QByteArray all;
    while (in.more() && sent.size() < 8) {
        sent << buildFrame(in);
        all += sent.last();
    }
    // Where each frame begins in the joined bytes.
    QList<qsizetype> starts;
    for (qsizetype at = 0; const QByteArray& f : sent) {
        starts << at;
        at += f.size();
    }
    FrameStream stream([] { return qint64(0); });
    QList<QByteArray> got;
    for (qsizetype at = 0; at < all.size();) {
        const qsizetype piece = 1 + in.next() % 64;
        const qsizetype frameStart = *std::prev(std::upper_bound(starts.begin(), starts.end(), at));
        const QByteArrayView held = QByteArrayView(all).sliced(frameStart, at - frameStart);
        if (FrameStream::endsLikeFrame(held) && FrameStream::leadingFrame(QByteArrayView(all.mid(at, piece))) > 0)
            return;
        got += stream.feed(all.mid(at, piece));
        at += piece;
    }
    check(got == sent);
    check(stream.pending() == 0);
}

bool splitsAsTwo(const QByteArray& f, qsizetype cut)
{
    return FrameStream::endsLikeFrame(QByteArrayView(f).first(cut))
           && FrameStream::leadingFrame(QByteArrayView(f).sliced(cut)) > 0;
}

void stalledFramesReachNoOtherTerminal(const uint8_t* data, size_t size)
{
    Input in{data, size};
    qint64 now = 0;
    FrameStream stream([&] { return now; }, 2000);
    QList<QByteArray> expected;
    QList<QByteArray> got;
    bool lengthHeld = false; // a frame whose byte 0 looks like a longer length waits
    while (in.more() && expected.size() < 8) {
        QByteArray f = buildFrame(in);
        const bool data = f.endsWith("\r\n");
        const uint8_t how = in.next();
        const qsizetype cut = 1 + in.next() % (f.size() - 1);
        now += 100 + in.next() * 7; // under the wait
        if (lengthHeld || how % 3 == 0 || (data && splitsAsTwo(f, cut))) {
            // Whole, in one write.
            lengthHeld = false;
        } else if (!data) {
            // Without its length: byte 0 empty, or one that looks like a
            // longer length, followed by a whole frame.
            lengthHeld = how % 3 == 2;
            f[0] = lengthHeld ? char(f.size() + 1 + in.next() % (255 - f.size())) : '\0';
        } else if (how % 3 == 1) {
            // In two writes within the wait.
            got += stream.feed(f.left(cut));
            now += in.next() * 7;
            got += stream.feed(f.mid(cut));
            expected << f;
            continue;
        } else {
            // Stalled past the wait; handed on by the next read or a timer.
            got += stream.feed(f.left(cut));
            now += 2001 + in.next();
            if (how & 0x80)
                got += stream.takeStale();
            got += stream.feed(f.mid(cut));
            expected << f.left(cut);
            continue;
        }
        got += stream.feed(f);
        expected << f;
    }
    now += 2001;
    got += stream.takeStale();
    check(got == expected);
    check(stream.pending() == 0);
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
    // Joined to a piece still held, the bytes end like a frame and are one
    // by the stream's rule; only the rest of a handed-on piece is joined.
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
    stalledFramesReachNoOtherTerminal(data, size);
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
