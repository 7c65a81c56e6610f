#pragma once

// Random sequences of gateway reads for the frame stream's property, shared
// by the unit test (a seeded generator) and the fuzz target (its input):
// whole frames of random terminals, each its own read (data frames with and
// without a true byte 0, key and start-up frames with any byte 0), frames
// cut anywhere whose rest comes 0.2 to 2 s late, as a lost segment resent
// does, runts and never-finished cuts between them, and frames stalled past
// the wait whose rest comes later. Every whole frame, and every frame whose
// rest came late, must come back once and whole; nothing else may decode.
#include "terminal/FrameCodec.h"
#include "terminal/FrameStream.h"

#include <QByteArray>
#include <QList>

namespace readsequences {

constexpr qint64 kWaitMs = 2000;

struct Read
{
    enum Kind {
        Whole, // a frame by itself
        Piece, // a runt, a cut whose rest never comes, or a stalled frame's first piece
        Rest,  // a stalled frame's rest, after the wait
        Late,  // the rest of the piece before it, within the wait
    };
    Kind kind = Whole;
    QByteArray bytes;
    QByteArray frame; // a Late read's whole frame
    qint64 gapMs = 0; // between its arrival and the one before
    qint64 lagMs = 0; // between its arrival and its read
    bool tick = false; // a timer looks in before it
};

// The bytes end with a frame ending, wherever it begins: also "F", "F" or a
// byte escaped to hex ending in F, "F", then FF FF FF, which the decoder
// reads as a start-up ending.
inline bool endsWithEnding(QByteArrayView b)
{
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(b.at(b.size() - i)); };
    if (b.size() >= 2 && ((at(2) == 0x0D && at(1) == 0x0A) || (at(2) == 0x00 && at(1) >= 0x3B && at(1) <= 0x41)))
        return true;
    if (b.size() < 4 || at(3) != 0xFF || at(2) != 0xFF || at(1) != 0xFF)
        return false;
    const auto escapesToF = [](int c) { return c == 'F' || ((c < 32 || c >= 128) && (c & 0x0F) == 0x0F); };
    return at(4) == 0xFF || (b.size() >= 5 && at(4) == 'F' && escapesToF(at(5)));
}

// The rests that the reads since the last whole frame announced by their
// byte 0 and have not had yet, each with the bytes from the announcing read
// on.
inline QList<std::pair<qsizetype, QByteArray>> announcedRests(const QList<Read>& before)
{
    QList<std::pair<qsizetype, QByteArray>> rests;
    QByteArray since;
    for (qsizetype j = before.size() - 1; j >= 0 && before.at(j).kind != Read::Rest; --j) {
        const bool late = before.at(j).kind == Read::Late;
        const QByteArray& p = late ? before.at(j).frame : before.at(j).bytes;
        since.prepend(p);
        const qsizetype length = static_cast<unsigned char>(p.at(0));
        if (length >= monitor::FrameStream::kShortestFrame && length > since.size())
            rests.append({ length - since.size(), since });
        if (before.at(j).kind == Read::Whole || late)
            break;
    }
    return rests;
}

// The next read could be, or begin with, a rest that earlier reads
// announced: as long as it, the bytes end like a frame there. The bytes
// cannot tell a frame of its own from that rest.
inline bool couldBeRest(const QList<Read>& before, const QByteArray& next)
{
    for (const auto& [rest, since] : announcedRests(before)) {
        if (next.size() >= rest && endsWithEnding(since + next.first(rest)))
            return true;
    }
    return false;
}

// The next read follows a piece still held, which takes it for its rest
// unless it is a whole frame by its own byte 0.
inline bool afterHeldPiece(const QList<Read>& before, qint64 gapMs)
{
    return !before.isEmpty() && before.last().kind == Read::Piece && gapMs <= kWaitMs;
}

// A frame's byte 0: its length, or any other value that does not cut the
// frame short where it would end like one.
template<typename Next>
void setByte0(QByteArray& f, Next next)
{
    const int b0 = next() & 1 ? int(f.size()) : next();
    f[0] = char(b0);
    if (b0 >= monitor::FrameStream::kShortestFrame && b0 < f.size()
        && monitor::FrameStream::endsLikeFrame(QByteArrayView(f).first(b0)))
        f[0] = 0;
}

// Builds up to `count` reads from the bytes `next` gives.
template<typename Next>
QList<Read> build(Next next, int count)
{
    QList<Read> reads;
    const auto frame = [&](int kind) {
        QByteArray f(8, '\0');
        for (int i = 1; i < 8; ++i)
            f[i] = char(next()); // header bytes 1 to 6 and the terminal
        if (kind == 0) {
            f += char(next()); // type byte
            const int payload = next() % 4 == 0 ? next() % 245 : next() % 24;
            for (int i = 0; i < payload; ++i) {
                const char b = char(next());
                f += b == '\r' ? 'x' : b;
            }
            f += "\r\n";
        } else if (kind == 1) {
            f += '\0';
            f += char(0x3B + next() % 7);
        } else {
            f += QByteArray(4, char(0xFF));
        }
        return f;
    };
    for (int n = 0; n < count; ++n) {
        Read r;
        r.gapMs = next() % 4 == 0 ? kWaitMs + 1 + next() * 4 : next() * 4;
        r.tick = next() & 1;
        const bool afterWhole = reads.isEmpty() || reads.last().kind != Read::Piece;
        const int kind = next() % (afterWhole ? 8 : 3);
        QByteArray f = frame(kind % 3);
        if (kind < 3) {
            setByte0(f, next);
            // A frame that may be the rest of what came before is taken for
            // it: the delayed true frame wins.
            if (couldBeRest(reads, f)
                || (afterHeldPiece(reads, r.gapMs) && !monitor::FrameStream::wholeByItsByte0(f)))
                continue;
            r.bytes = f;
        } else if (kind < 6) {
            // A runt, or a cut before the frame's ending; its rest never comes.
            f[0] = char(next() & 1 ? int(f.size()) : next());
            r.bytes = kind == 3 ? f.left(1 + next() % 7) : f.left(1 + next() % (f.size() - 2));
            r.kind = Read::Piece;
        } else {
            // Cut anywhere, its rest late: within the wait it must join its
            // head, past the wait (its byte 0 true) it is dropped.
            const bool stalled = kind == 7;
            if (!announcedRests(reads).isEmpty())
                continue;
            if (stalled)
                f[0] = char(f.size());
            else
                setByte0(f, next);
            const qsizetype cut = 1 + next() % (f.size() - 1);
            r.bytes = f.left(cut);
            r.kind = Read::Piece;
            const QByteArray rest = f.mid(cut);
            const qsizetype owed = monitor::FrameStream::announcedRest(r.bytes);
            const bool fits = owed == rest.size();
            // A rest that is a frame by itself and not what the head
            // announced, or that repeats the head's header bytes, cannot be
            // told from the gateway's next frame.
            if (endsWithEnding(r.bytes) || couldBeRest(reads, r.bytes)
                || monitor::FrameStream::nextFrameOfGateway(rest, r.bytes)
                || (!fits && monitor::FrameStream::wholeByItsByte0(rest)))
                continue;
            reads << r;
            r.kind = stalled ? Read::Rest : Read::Late;
            r.bytes = rest;
            r.frame = f;
            r.gapMs = stalled ? kWaitMs + 1 + next() : monitor::FrameStream::kAtOnceMs + 1 + next() * 7;
            r.tick = next() & 1;
        }
        // A piece that ends like a frame only with the bytes before it is a
        // frame; one that ends like a frame by itself is one; so is one whose
        // byte 0 cuts a frame from it.
        if (r.kind == Read::Piece && endsWithEnding(r.bytes))
            r.bytes.back() = 'x';
        if (r.kind == Read::Piece && monitor::FrameStream::leadingFrame(r.bytes) > 0)
            r.bytes[0] = 0;
        // A piece that could begin with a rest leaves what follows it to
        // guesswork too.
        if (r.kind == Read::Piece && couldBeRest(reads, r.bytes))
            continue;
        reads << r;
    }
    return reads;
}

// Feeds the reads through a stream and returns every frame it hands on.
inline QList<QByteArray> feed(const QList<Read>& reads, qsizetype* pending = nullptr)
{
    qint64 now = 0;
    qint64 arrival = 0;
    monitor::FrameStream stream([&] { return now; }, kWaitMs);
    QList<QByteArray> got;
    for (const Read& r : reads) {
        arrival += r.gapMs;
        now = qMax(now, arrival + r.lagMs);
        // The timer counts up to the arrival of bytes not read yet.
        if (r.tick)
            got += stream.takeStale(arrival);
        got += stream.feed(r.bytes, arrival, arrival);
    }
    now = qMax(now, arrival) + kWaitMs + 1;
    got += stream.takeStale();
    if (pending)
        *pending = stream.pending();
    return got;
}

// A gateway's burst as TCP delivers it: whole frames of random terminals,
// each with its true length and a payload of printable text as scanned (type
// byte 01, as the terminals send it), written back to back and cut into
// reads at random places (cutAt 0) or every cutAt bytes. The reads arrive
// back to back, as the segments of one burst do; the reader gets to each up
// to a wait later, and now and then a timer looks in.
struct Burst
{
    QList<QByteArray> frames;
    QList<Read> reads;
};

template<typename Next>
Burst burst(Next next, int count, qsizetype cutAt)
{
    Burst b;
    QByteArray all;
    for (int n = 0; n < count; ++n) {
        QByteArray f(8, '\0');
        for (int i = 1; i < 8; ++i)
            f[i] = char(next());
        switch (next() % 4) {
        case 0:
            f += '\0';
            f += char(0x3B + next() % 7);
            break;
        case 1:
            f += QByteArray(4, char(0xFF));
            break;
        default:
            f += char(0x01);
            for (int i = next() % 4 == 0 ? next() % 244 : next() % 24; i > 0; --i)
                f += char(32 + next() % 95);
            f += "\r\n";
        }
        f[0] = char(f.size());
        b.frames << f;
        all += f;
    }
    for (qsizetype at = 0; at < all.size();) {
        const qsizetype size = cutAt > 0 ? cutAt : 1 + (next() * 256 + next()) % 600;
        Read r;
        r.bytes = all.mid(at, size);
        r.gapMs = next() % monitor::FrameStream::kAtOnceMs;
        r.lagMs = (next() * 256 + next()) % kWaitMs;
        r.tick = next() & 1;
        b.reads << r;
        at += size;
    }
    return b;
}

// The frames handed on that decode: exactly the whole frames, in order.
inline bool wholeFramesComeBackOnce(const QList<Read>& reads)
{
    QList<QByteArray> expected;
    for (const Read& r : reads) {
        if (r.kind == Read::Whole)
            expected << r.bytes;
        else if (r.kind == Read::Late)
            expected << r.frame;
    }
    qsizetype pending = 0;
    QList<QByteArray> decoded;
    for (const QByteArray& f : feed(reads, &pending)) {
        if (monitor::Decode(f).kind != monitor::DecodedFrame::Kind::Abandoned)
            decoded << f;
    }
    return decoded == expected && pending == 0;
}

// Every frame of the burst comes back once and whole, and nothing else.
inline bool burstComesBackOnce(const Burst& b)
{
    qsizetype pending = 0;
    return feed(b.reads, &pending) == b.frames && pending == 0;
}

} // namespace readsequences
