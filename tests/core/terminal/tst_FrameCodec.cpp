#include "ReadSequences.h"
#include "TestMain.h"
#include "terminal/FrameCodec.h"
#include "terminal/FrameStream.h"

#include <QRandomGenerator>
#include <QTest>

using namespace monitor;

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += char(b);
    return out;
}

QByteArray dataFrame(int terminal, const QByteArray& payload, int type = 0x01)
{
    QByteArray f = bytes({ 0, 0, 0, 0, 0, 0, 0, terminal, type }) + payload + "\r\n";
    f[0] = char(f.size());
    return f;
}

} // namespace

// The byte formats both ways and the cutting of a gateway's byte stream.
class FrameCodecTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void escapeTexts_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("escape");
        QTest::addColumn<QString>("payload");
        QTest::newRow("terminal 5") << bytes({ 0x0F, 0, 0, 0, 0, 0, 0, 0x05, 0x01, 0x41, 0x42, 0x43, 0x44, 0x0D, 0x0A })
                                    << "\\0F\\00\\00\\00\\00\\00\\00\\05\\01ABCD\\0D\\0A"
                                    << "ABCD";
        QTest::newRow("terminal 200") << dataFrame(200, "X") << "\\0C\\00\\00\\00\\00\\00\\00\\200\\01X\\0D\\0A"
                                      << "X";
        QTest::newRow("backslash") << dataFrame(5, "A\\B") << "\\0E\\00\\00\\00\\00\\00\\00\\05\\01A\\5CB\\0D\\0A"
                                   << "A\\5CB";
        QTest::newRow("high bytes") << dataFrame(5, bytes({ 0x80, 0xE9, 0xFF, 0x7F }))
                                    << "\\0F\\00\\00\\00\\00\\00\\00\\05\\01\\80\\E9\\FF\x7F\\0D\\0A"
                                    << "\\80\\E9\\FF\x7F";
        // A header byte equal to the type byte, and a type byte that needs
        // no escape, leave the payload where it is.
        QByteArray sameAsHeader = dataFrame(5, "AB");
        sameAsHeader[3] = 0x01;
        QTest::newRow("header equals type") << sameAsHeader << "\\0D\\00\\00\\01\\00\\00\\00\\05\\01AB\\0D\\0A"
                                            << "AB";
        QTest::newRow("plain type byte") << dataFrame(5, "AB", 'Q') << "\\0D\\00\\00\\00\\00\\00\\00\\05QAB\\0D\\0A"
                                         << "AB";
        QTest::newRow("terminal is type") << dataFrame(1, "AB") << "\\0D\\00\\00\\00\\00\\00\\00\\01\\01AB\\0D\\0A"
                                          << "AB";
    }
    void escapeTexts()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, escape);
        QFETCH(QString, payload);
        QCOMPARE(EscapeText(frame), escape);
        const DecodedFrame d = Decode(frame);
        QCOMPARE(d.kind, DecodedFrame::Kind::Data);
        QCOMPARE(d.payload, payload);
    }

    void keysAndStartup()
    {
        const char* names[] = { "F1", "F2", "F3", "F4", "F5", "F6", "F7" };
        for (int code = 0x3B; code <= 0x41; ++code) {
            const DecodedFrame d = Decode(bytes({ 10, 0, 0, 0, 0, 0, 0, 9, 0, code }));
            QCOMPARE(d.kind, DecodedFrame::Kind::Key);
            QCOMPARE(d.keyName, QString(names[code - 0x3B]));
            QCOMPARE(d.terminal, 9);
        }
        QCOMPARE(GetKeyName("\\05\\00B"), QString("num"));
        QCOMPARE(GetKeyName("\\00"), QString("num"));
        QCOMPARE(Decode(bytes({ 12, 0, 0, 0, 0, 0, 0, 9, 1, 0x3E, 0x0D, 0x0A })).kind, DecodedFrame::Kind::Data);

        const DecodedFrame s = Decode(bytes({ 12, 0, 0, 0, 0, 0, 0, 200, 0xFF, 0xFF, 0xFF, 0xFF }));
        QCOMPARE(s.kind, DecodedFrame::Kind::Startup);
        QCOMPARE(s.terminal, 200);
        QCOMPARE(Decode(bytes({ 13, 0, 0, 0, 0, 0, 0, 200, 0xFF, 0xFF, 0xFF, 0x0D, 0x0A })).kind,
                 DecodedFrame::Kind::Data);
    }

    void undecodable()
    {
        QCOMPARE(Decode(QByteArray()).kind, DecodedFrame::Kind::Abandoned);
        QCOMPARE(Decode(bytes({ 7, 0, 0, 0, 0, 0, 0 })).kind, DecodedFrame::Kind::Abandoned);
        // Ten characters of escape text and no key.
        QCOMPARE(Decode(QByteArray("Aaaaaaa\x05")).kind, DecodedFrame::Kind::Abandoned);
        // A data frame without its CR is a piece of one.
        QByteArray noCr = dataFrame(5, "ABC");
        noCr.chop(2);
        QCOMPARE(Decode(noCr).kind, DecodedFrame::Kind::Abandoned);
        QCOMPARE(Decode(noCr + '\r').payload, QString("ABC"));
        QCOMPARE(Decode(dataFrame(5, "")).kind, DecodedFrame::Kind::Data);
        // A CR inside the header does not end the payload.
        QByteArray crInHeader = dataFrame(5, "ABC");
        crInHeader[4] = '\r';
        QCOMPARE(Decode(crInHeader).payload, QString("ABC"));
    }

    void framesToTerminals()
    {
        const QString text = "Connet error!   Please restart!";
        const QByteArray f = DisplayFrame(text, 5);
        QCOMPARE(f.size(), 39);
        QCOMPARE(f.left(8), bytes({ 39, 0, 0x60, 0, 0, 0, 0, 5 }));
        QCOMPARE(f.mid(8), text.toLatin1());
        QCOMPARE(SignalFrame(true, 200), bytes({ 8, 0, 0x60, 0, 0, 0, 4, 200 }));
        QCOMPARE(SignalFrame(false, 12), bytes({ 8, 0, 0x60, 0, 0, 0, 5, 12 }));
        const QByteArray longest = DisplayFrame(QString(300, 'x'), 1);
        QCOMPARE(longest.size(), 255);
        QCOMPARE(quint8(longest.at(0)), quint8(255));
    }

    // Every frame that carries its length, and every F4, F7 and start-up
    // without one, comes back once and whole, for every terminal number and
    // wherever the gateway cut it into two or three writes, at once or 0.2
    // to 2 s apart, unless a piece before the last ends like a frame: a
    // frame cut right after bytes that end like one cannot be told from a
    // frame by itself, so that piece is handed on as the frame. Only a
    // payload holding 00 3B-41 or FF FF FF FF can be cut so (the frame here
    // holds every ending); a payload of text never can.
    // Then frames of several terminals, one write each, key and start-up
    // frames without their length among them, with one data frame stalled
    // past the wait at every cut: its piece is handed on for its own
    // terminal, its rest never comes back, every other frame comes back
    // once and whole.
    void splitFramesComeBackWhole()
    {
        const QByteArray endings("A\xFF\xFF\xFF\xFF\x00\x3E\r\nB", 11);
        qint64 now = 0;
        FrameStream stream([&] { return now; }, 2000);
        for (int t = 0; t <= 255; ++t) {
            const QByteArray frames[] = { dataFrame(t, endings, 0x00), dataFrame(t, "PN-4711/A;?@"),
                bytes({ 10, 0, 0, 0, 0, 0, 0, t, 0, 0x41 }), bytes({ 12, 0, 0, 0, 0, 0, 0, t, 0xFF, 0xFF, 0xFF, 0xFF }),
                bytes({ 0x30, 0, 0, 0, 0, 0, 0, t, 1, 0, 0x3E }), bytes({ 0, 0, 0, 0, 0, 0, 0, t, 1, 0, 0x41 }),
                bytes({ 0, 0, 0, 0, 0, 0, 0, t, 1, 0xFF, 0xFF, 0xFF, 0xFF }) };
            for (const QByteArray& f : frames) {
                const qsizetype n = f.size();
                for (qsizetype i = 1; i < n; ++i) {
                    for (qsizetype j = i; j < n; ++j) { // j == i: two pieces
                        // Each piece at once, as TCP cuts a burst, or 0.2 to
                        // 2 s after the one before, as a lost segment resent
                        // comes; then past what a byte 0 still announced.
                        const qint64 pause = (i + j + t) % 3 == 0 ? 0 : 200 + (7 * i + 13 * j + t) % 1801;
                        now += 2001;
                        QList<QByteArray> got = stream.feed(f.left(i));
                        now += pause;
                        got += stream.feed(f.mid(i, j - i));
                        now += pause;
                        got += stream.feed(f.mid(j));
                        if (FrameStream::endsLikeFrame(f.left(i)) || FrameStream::endsLikeFrame(f.left(j))
                            || FrameStream::endsLikeFrame(f.mid(i, j - i))) {
                            QCOMPARE(f.data(), frames[0].data());
                            QVERIFY(!got.isEmpty() && f.startsWith(got.first()));
                            stream.clear();
                            continue;
                        }
                        if (got != QList<QByteArray> { f })
                            QFAIL(qPrintable(QString("terminal %1, %2 bytes cut at %3 and %4: %5 frames")
                                                 .arg(t)
                                                 .arg(n)
                                                 .arg(i)
                                                 .arg(j)
                                                 .arg(got.size())));
                    }
                }
                const DecodedFrame d = Decode(f);
                QCOMPARE(d.terminal, t);
                QVERIFY(d.kind != DecodedFrame::Kind::Abandoned);
            }
        }
        QCOMPARE(stream.pending(), 0);

        FrameStream timed([&] { return now; }, 2000);
        // A key frame whose byte 0 looks like a length comes before a whole
        // frame; the others carry no length or their own.
        const QList<QByteArray> others = { bytes({ 0x30, 0, 0, 0, 0, 0, 0, 9, 0, 0x3E }), dataFrame(12, "U1"),
            bytes({ 0, 0, 0, 0, 0, 0, 0, 49, 0xFF, 0xFF, 0xFF, 0xFF }), dataFrame(48, "1111"),
            bytes({ 0, 0, 0, 0, 0, 0, 0, 12, 0, 0x41 }) };
        for (const QByteArray& stalled : { dataFrame(9, QByteArray(20, '1')), dataFrame(7, endings, 0x00) }) {
            for (qsizetype pos = 0; pos <= others.size(); ++pos) {
                if (pos == 1)
                    continue;
                for (qsizetype cut = 1; cut < stalled.size(); ++cut) {
                    if (FrameStream::endsLikeFrame(stalled.left(cut)))
                        continue; // a frame by itself, as above
                    for (bool byTimer : { false, true }) {
                        QList<QByteArray> expected = others;
                        expected.insert(pos, stalled.left(cut));
                        QList<QByteArray> got;
                        for (qsizetype k = 0; k < pos; ++k)
                            got += timed.feed(others.at(k));
                        got += timed.feed(stalled.left(cut));
                        now += 2001;
                        if (byTimer)
                            got += timed.takeStale();
                        got += timed.feed(stalled.mid(cut));
                        for (qsizetype k = pos; k < others.size(); ++k) {
                            now += 300;
                            got += timed.feed(others.at(k));
                        }
                        now += 2001;
                        got += timed.takeStale();
                        if (got != expected)
                            QFAIL(qPrintable(QString("stalled frame at %1, cut at %2%3: %4 frames, %5 expected")
                                                 .arg(pos)
                                                 .arg(cut)
                                                 .arg(byTimer ? " by the timer" : "")
                                                 .arg(got.size())
                                                 .arg(expected.size())));
                    }
                }
            }
        }
    }

    // Seeded random read sequences (see ReadSequences.h): every whole frame
    // comes back once and whole, and nothing else decodes.
    void everyFrameOfItsOwnReadComesBackOnce()
    {
        QRandomGenerator random(20261207);
        int wholeFrames = 0, lateRests = 0;
        for (int n = 0; n < 20000; ++n) {
            const QList<readsequences::Read> reads = readsequences::build([&] { return int(random.bounded(256)); }, 12);
            for (const readsequences::Read& r : reads) {
                wholeFrames += r.kind == readsequences::Read::Whole;
                lateRests += r.kind == readsequences::Read::Late;
            }
            if (!readsequences::wholeFramesComeBackOnce(reads)) {
                QStringList shown;
                for (const readsequences::Read& r : reads)
                    shown << QString("%1 +%2ms%3: %4")
                                 .arg(r.kind)
                                 .arg(r.gapMs)
                                 .arg(r.tick ? " tick" : "")
                                 .arg(QString::fromLatin1(r.bytes.toHex(' ')));
                shown << "handed on:";
                for (const QByteArray& f : readsequences::feed(reads))
                    shown << QString("%1: %2").arg(int(Decode(f).kind)).arg(QString::fromLatin1(f.toHex(' ')));
                QFAIL(qPrintable("sequence " + QString::number(n) + ":\n" + shown.join('\n')));
            }
        }
        QVERIFY(wholeFrames > 100000);
        QVERIFY(lateRests > 10000);
    }

    // Seeded random bursts (see ReadSequences.h), cut at random places and
    // into reads of a small and of a full TCP segment.
    void burstsCutAnywhereComeBackOnce()
    {
        QRandomGenerator random(20261208);
        for (int n = 0; n < 2000; ++n) {
            for (qsizetype cutAt : { 0, 536, 1460 }) {
                const readsequences::Burst b
                    = readsequences::burst([&] { return int(random.bounded(256)); }, 100, cutAt);
                if (!readsequences::burstComesBackOnce(b))
                    QFAIL(qPrintable(QString("burst %1 cut at %2: %3 frames of %4 come back")
                                         .arg(n)
                                         .arg(cutAt)
                                         .arg(readsequences::feed(b.reads).size())
                                         .arg(b.frames.size())));
            }
        }
    }

    // A plant's gateway: frames of terminals 1 to 50 with their true byte 0
    // (scans, keys, start-ups), 0.25 to 3 s apart, and 20,000 frames that
    // never finish, each cut anywhere before its ending. No frame may be
    // handed to a terminal that did not send it; how often a piece that
    // carries its terminal byte still takes the next frame for its rest is
    // told.
    void neverFinishedPiecesNameNoOtherTerminal()
    {
        QRandomGenerator random(20261209);
        const auto frameOf = [&](int terminal) {
            QByteArray f = bytes({ 0, 0, 0, 0, 0, 0, 0, terminal });
            switch (random.bounded(6)) {
            case 0:
                f += bytes({ 0, 0x3B + int(random.bounded(7)) });
                break;
            case 1:
                f += QByteArray(4, char(0xFF));
                break;
            default:
                f += char(0x01);
                for (int n = 2 + int(random.bounded(19)); n > 0; --n)
                    f += char(0x21 + random.bounded(94));
                f += "\r\n";
            }
            f[0] = char(f.size());
            return f;
        };
        qint64 now = 0;
        FrameStream stream([&] { return now; }, 2000);
        int pieces = 0, swallowed = 0, elsewhere = 0, unclear = 0;
        while (pieces < 20000) {
            const int sender = 1 + int(random.bounded(50));
            const QByteArray cut = frameOf(sender);
            const QByteArray piece = cut.left(1 + random.bounded(int(cut.size()) - 2));
            if (FrameStream::endsLikeFrame(piece))
                continue;
            ++pieces;
            now += 250 + random.bounded(2750);
            QList<QByteArray> got = stream.feed(piece, now, now);
            QList<QByteArray> sent;
            for (int n = 1 + int(random.bounded(3)); n > 0; --n) {
                sent << frameOf(1 + int(random.bounded(50)));
                now += 250 + random.bounded(2750);
                got += stream.feed(sent.last(), now, now);
            }
            now += 2001;
            got += stream.takeStale();
            // A one-byte piece announcing just the next frame: the bytes
            // cannot tell that frame from its late rest.
            if (piece.size() == 1 && quint8(piece.at(0)) == sent.first().size() + 1) {
                ++unclear;
                continue;
            }
            swallowed += !got.contains(sent.first());
            for (const QByteArray& f : got) {
                const DecodedFrame d = Decode(f);
                elsewhere += !sent.contains(f) && d.kind != DecodedFrame::Kind::Abandoned && d.terminal != sender;
            }
        }
        qInfo("%d never-finished pieces: %d took the next frame for their rest, %d frames went to another terminal, "
              "%d could not be told from a late rest",
            pieces, swallowed, elsewhere, unclear);
        QCOMPARE(elsewhere, 0);
        QCOMPARE(swallowed, 0);
    }

    // The cuts a gateway's stream meets, 20,000 cases each, in a plant
    // of terminals 1 to 50 whose frames carry a true byte 0 and header bytes
    // 1 to 6 of 0 (scans, F-keys, start-ups):
    // - a scan cut after 1 to 7 bytes, its rest 0.2 to 1.9 s later (a lost
    //   segment resent), then another terminal's frame;
    // - an F4, F7 or start-up written without a length byte (byte 0 0x30 or
    //   0), cut after byte 0, its rest within 150 ms;
    // - a piece of 8 to 30 bytes that never finishes, the next frame (with
    //   or without a length byte) 0.25 to 3 s later;
    // - a piece of 1 to 7 bytes that never finishes, the next frame 2 to 3 s
    //   later.
    // No frame may be lost or go to a terminal that did not send it, but
    // where the bytes cannot tell a frame of its own from a late rest: a
    // piece of one byte announcing exactly the next frame. The counts are told.
    void rareCutsReachTheirTerminal()
    {
        QRandomGenerator random(20261209);
        const auto frameOf = [&](int terminal, int kind) {
            QByteArray f = bytes({ 0, 0, 0, 0, 0, 0, 0, terminal });
            if (kind == 0) {
                f += bytes({ 0, 0x3B + int(random.bounded(7)) });
            } else if (kind == 1) {
                f += QByteArray(4, char(0xFF));
            } else {
                f += char(0x01);
                for (int n = 2 + int(random.bounded(kind == 2 ? 19 : 29)); n > 0; --n)
                    f += char(0x21 + random.bounded(94));
                f += "\r\n";
            }
            f[0] = char(f.size());
            return f;
        };
        const auto anyFrame = [&](int terminal) { return frameOf(terminal, qMin(2, int(random.bounded(6)))); };
        struct Rates {
            int lost = 0, wrong = 0, unclear = 0;
        };
        // Feeds the writes (bytes, ms after the one before), then the wait;
        // counts the sent frames not handed on whole, and the frames handed
        // on that decode and were not sent.
        const auto run = [&](Rates& r, const QList<std::pair<QByteArray, qint64>>& writes,
                             const QList<QByteArray>& sent, bool unclear) {
            qint64 now = 0;
            FrameStream stream([&] { return now; }, 2000);
            QList<QByteArray> got;
            for (const auto& [w, gap] : writes) {
                now += gap;
                got += stream.feed(w, now, now);
            }
            now += 2001;
            got += stream.takeStale();
            int lost = 0, wrong = 0;
            for (const QByteArray& f : sent)
                lost += !got.contains(f);
            for (const QByteArray& f : got)
                wrong += !sent.contains(f) && Decode(f).kind != DecodedFrame::Kind::Abandoned;
            if (unclear && (lost || wrong))
                ++r.unclear;
            else
                r.lost += lost, r.wrong += wrong;
        };
        const auto other = [&](int t) { return 1 + (t + int(random.bounded(49))) % 50; };
        Rates late, noLength, longPiece, shortPiece;
        for (int n = 0; n < 20000; ++n) {
            const int t = 1 + int(random.bounded(50));
            const QByteArray scan = frameOf(t, 2);
            const qsizetype k = 1 + random.bounded(7);
            const QByteArray next = anyFrame(other(t));
            run(late, { { scan.left(k), 0 }, { scan.mid(k), 200 + random.bounded(1700) }, { next, 250 + random.bounded(2750) } },
                { scan, next }, false);
        }
        for (int n = 0; n < 20000; ++n) {
            const int t = 1 + int(random.bounded(50));
            QByteArray f = random.bounded(3) == 0 ? bytes({ 0, 0, 0, 0, 0, 0, 0, t, 1, 0xFF, 0xFF, 0xFF, 0xFF })
                                                  : bytes({ 0, 0, 0, 0, 0, 0, 0, t, 1, 0, random.bounded(2) ? 0x3E : 0x41 });
            f[0] = char(random.bounded(2) ? 0x30 : 0);
            run(noLength, { { f.left(1), 0 }, { f.mid(1), random.bounded(151) } }, { f }, false);
        }
        for (int n = 0; n < 20000;) {
            const int t = 1 + int(random.bounded(50));
            const int kind = int(random.bounded(6));
            const QByteArray cut = frameOf(t, kind < 2 ? kind : 3);
            if (cut.size() < 10)
                continue;
            const QByteArray piece = cut.left(8 + random.bounded(int(qMin<qsizetype>(23, cut.size() - 9))));
            if (FrameStream::endsLikeFrame(piece) || piece.size() >= cut.size())
                continue;
            ++n;
            QByteArray next = anyFrame(other(t));
            if (random.bounded(2))
                next[0] = 0; // written without a length byte
            run(longPiece, { { piece, 0 }, { next, 250 + random.bounded(2750) } }, { next }, false);
        }
        for (int n = 0; n < 20000; ++n) {
            const int t = 1 + int(random.bounded(50));
            const QByteArray piece = anyFrame(t).left(1 + random.bounded(7));
            const QByteArray next = anyFrame(other(t));
            const bool unclear = piece.size() == 1 && quint8(piece.at(0)) == next.size() + 1;
            run(shortPiece, { { piece, 0 }, { next, 2001 + random.bounded(1000) } }, { next }, unclear);
        }
        qInfo("rests 0.2-1.9 s late: %d lost, %d wrong", late.lost, late.wrong);
        qInfo("no length byte, cut after byte 0: %d lost, %d wrong", noLength.lost, noLength.wrong);
        qInfo("pieces of 8-30 bytes: %d next frames lost, %d wrong", longPiece.lost, longPiece.wrong);
        qInfo("pieces of 1-7 bytes, 2-3 s: %d next frames lost, %d wrong (%d unclear)", shortPiece.lost,
            shortPiece.wrong, shortPiece.unclear);
        for (const Rates& r : { late, noLength, longPiece, shortPiece })
            QVERIFY(r.lost == 0 && r.wrong == 0);
        QVERIFY(shortPiece.unclear < 200);
    }

    // Where an ending is found: a start-up's escape text ends in "FF" only
    // when the byte before its "F" escapes to an F; a five-byte ending cut
    // by a read after any of its bytes is still found; and the head of a
    // frame, held as the rest a start-up still announced, goes when its own
    // rest does not come.
    void endingsFoundWhereTheDecoderFindsThem()
    {
        for (int b = 0; b < 256; ++b) {
            const QByteArray f = bytes({ 0, 0, 0, 0, 0, 0, 0, 9, 0x01, 'X', b, 'F', 0xFF, 0xFF, 0xFF });
            QCOMPARE(FrameStream::endsLikeFrame(f), Decode(f).kind == DecodedFrame::Kind::Startup);
        }
        FrameStream stream([] { return qint64(0); });
        const QByteArray escaped = bytes({ 15, 0, 0, 0, 0, 0, 0, 9, 0x01, 'X', 0x0F, 'F', 0xFF, 0xFF, 0xFF });
        const QByteArray next = dataFrame(12, "U1");
        for (qsizetype k = 1; k <= 5; ++k) {
            QVERIFY(stream.feed(escaped.chopped(k)).isEmpty());
            QCOMPARE(stream.feed(escaped.right(k) + next), QList<QByteArray>({ escaped, next }));
        }

        qint64 now = 0;
        FrameStream owed([&] { return now; }, 2000);
        const QByteArray startup = bytes({ 14, 0, 0, 0, 0, 0, 0, 9, 0xFF, 0xFF, 0xFF, 0xFF });
        QCOMPARE(owed.feed(startup), QList<QByteArray>({ startup }));
        QVERIFY(owed.feed(bytes({ 0x20 })).isEmpty());
        now += 2001;
        QVERIFY(owed.takeStale().isEmpty());
        QCOMPARE(owed.pending(), 0);
    }

    void framesJoinedInOneRead()
    {
        FrameStream stream([] { return qint64(0); });
        const QByteArray a = dataFrame(5, "ABCD");
        const QByteArray b = bytes({ 12, 0, 0, 0, 0, 0, 0, 7, 0xFF, 0xFF, 0xFF, 0xFF });
        QCOMPARE(stream.feed(a + b + a), QList<QByteArray>({ a, b, a }));
        // A frame and the start of the next.
        QCOMPARE(stream.feed(a + b.left(3)), QList<QByteArray>({ a }));
        QCOMPARE(stream.feed(b.mid(3)), QList<QByteArray>({ b }));
    }

    // A gateway may leave byte 0 of key and start-up frames empty or put
    // anything there that cannot be their length: what ends like a frame
    // after its header arrives as one, at once.
    void framesWithoutTheirLength_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("F7, byte 0 empty") << bytes({ 0, 0, 0, 0, 0, 0, 0, 9, 0, 0x41 });
        QTest::newRow("F1, byte 0 of a signal frame") << bytes({ 8, 0, 0x60, 0, 0, 0, 0, 0x3B, 0, 0x3B });
        QTest::newRow("start-up, byte 0 empty") << bytes({ 0, 1, 2, 3, 4, 5, 6, 9, 0xFF, 0xFF, 0xFF, 0xFF });
        QTest::newRow("start-up, cut at byte 0 no frame") << bytes({ 11, 1, 2, 3, 4, 5, 6, 9, 0xFF, 0xFF, 0xFF, 0xFF });
        QTest::newRow("start-up by its escape text") << bytes({ 0, 0, 0, 0, 0, 0, 0, 9, 0x0F, 'F', 0xFF, 0xFF, 0xFF });
        QByteArray tooShort = dataFrame(5, "ABCD");
        tooShort[0] = char(9);
        QTest::newRow("data, length too small") << tooShort;
        QTest::newRow("F4, byte 0 announces more") << bytes({ 0x30, 0, 0, 0, 0, 0, 0, 9, 0, 0x3E });
        QTest::newRow("start-up, byte 0 announces more") << bytes({ 0xFF, 0, 0, 0, 0, 0, 0, 9, 0xFF, 0xFF, 0xFF, 0xFF });
        QByteArray tooLong = dataFrame(5, "ABCD");
        tooLong[0] = char(40);
        QTest::newRow("data, length too large") << tooLong;
    }
    // ... and the frame after it, in the next read, is its own.
    void framesWithoutTheirLength()
    {
        QFETCH(QByteArray, frame);
        FrameStream stream([] { return qint64(0); });
        QCOMPARE(stream.feed(frame), QList<QByteArray>({ frame }));
        QVERIFY(Decode(frame).kind != DecodedFrame::Kind::Abandoned);
        const QByteArray next = bytes({ 0x30, 0, 0, 0, 0, 0, 0, 12, 0, 0x41 });
        QCOMPARE(stream.feed(next), QList<QByteArray>({ next }));
    }

    void heldPiecesAndNoise()
    {
        qint64 now = 0;
        FrameStream stream([&] { return now; }, 2000);
        const QByteArray a = dataFrame(5, "ABCD");
        // A piece that never gets its rest (or announces more than it
        // carries) is handed on after the wait, by the next read or by a
        // look from a timer, never dropped.
        const QByteArray piece = bytes({ 200, 0, 0, 0, 0, 0, 0, 5, 1, 'X', '\r' });
        QVERIFY(stream.feed(piece).isEmpty());
        now += 1500;
        QVERIFY(stream.takeStale().isEmpty());
        now += 501;
        QCOMPARE(stream.feed(a), QList<QByteArray>({ piece, a }));
        QVERIFY(stream.feed(piece).isEmpty());
        now += 2001;
        QCOMPARE(stream.takeStale(), QList<QByteArray>({ piece }));
        // What its length still announced is not awaited past another wait.
        now += 2001;
        QVERIFY(stream.feed(piece.left(5)).isEmpty());
        // A link that goes takes with it what was never delivered whole.
        QVERIFY(stream.flush().isEmpty());
        QCOMPARE(stream.pending(), 0);

        // A frame that announced more, and a byte of what it announced: the
        // rest's ending is looked for in the bytes as they came.
        const QByteArray startup = bytes({ 14, 0, 0, 0, 0, 0, 0, 9, 0xFF, 0xFF, 0xFF, 0xFF });
        QByteArray next = dataFrame(12, "U1");
        next[0] = char(0xFF);
        FrameStream other([&] { return now; }, 2000);
        QCOMPARE(other.feed(startup), QList<QByteArray>({ startup }));
        QVERIFY(other.feed(QByteArray(1, '\0')).isEmpty());
        QCOMPARE(other.feed(next), QList<QByteArray>({ next }));

        // The wait counts from the latest bytes: a split frame whose pieces
        // are never the wait apart is still joined.
        QVERIFY(stream.feed(a.left(4)).isEmpty());
        now += 1500;
        QVERIFY(stream.feed(a.mid(4, 3)).isEmpty());
        now += 1500;
        QVERIFY(stream.takeStale().isEmpty());
        QCOMPARE(stream.feed(a.mid(7)), QList<QByteArray>({ a }));
        // ... between arrivals: a reader held for 5 s gets a rest that came
        // 0.5 s after its head and the head of the next frame that came at
        // 4.5 s in one read; that head's rest comes 1.5 s after it.
        const QByteArray b = dataFrame(12, "U1");
        QVERIFY(stream.feed(a.left(4)).isEmpty());
        now += 5000;
        QCOMPARE(stream.feed(a.mid(4) + b.left(4), now - 4500, now - 500), QList<QByteArray>({ a }));
        now += 1000;
        QVERIFY(stream.takeStale().isEmpty());
        QCOMPARE(stream.feed(b.mid(4)), QList<QByteArray>({ b }));

        // A head too short to name its terminal, then 0.3 s later a whole
        // frame as long as its rest: the frame is its own. At once, the same
        // bytes are the head's rest, as in a burst that TCP cut.
        const QByteArray head = bytes({ 20, 0, 0, 0, 0, 0, 0 });
        const QByteArray ten = dataFrame(10, "U1");
        QVERIFY(stream.feed(head, now, now).isEmpty());
        QCOMPARE(stream.feed(ten, now + 300, now + 300), QList<QByteArray>({ head, ten }));
        QVERIFY(stream.feed(head, now + 400, now + 400).isEmpty());
        QCOMPARE(stream.feed(ten, now + 410, now + 410), QList<QByteArray>({ head + ten }));

        // A rest that is a frame by its own byte 0 and repeats the header
        // bytes of its head is joined at once, also in a read that holds a
        // frame that came 1 s later; 0.5 s late it passes for the gateway's
        // next frame. A head of one byte has no header bytes to tell by: it
        // is joined.
        now += 1000;
        const QByteArray echo = bytes({ 21, 7, 19, 7, 0, 0, 0, 5, 1, '1', '6', '1', '2', '0', '1', '0', '0', '0', '1', '\r', '\n' });
        QVERIFY(stream.feed(echo.left(2), now, now).isEmpty());
        QCOMPARE(stream.feed(echo.mid(2) + ten, now + 50, now + 1000), QList<QByteArray>({ echo, ten }));
        now += 3000;
        QVERIFY(stream.feed(echo.left(2), now, now).isEmpty());
        QCOMPARE(stream.feed(echo.mid(2), now + 500, now + 500), QList<QByteArray>({ echo.left(2), echo.mid(2) }));
        now += 3000;
        const QByteArray twelve = bytes({ 12, 0, 0, 0, 0, 0, 0, 10, 0xFF, 0xFF, 0xFF, 0xFF });
        QVERIFY(stream.feed(bytes({ 13 }), now, now).isEmpty());
        QCOMPARE(stream.feed(twelve, now + 500, now + 500), QList<QByteArray>({ char(13) + twelve }));
        now += 3000;

        // Noise without a frame's end is never held past one frame's length.
        const QList<QByteArray> cut = stream.feed(QByteArray(10000, char(0xF0)));
        QCOMPARE(cut.size(), 1);
        QCOMPARE(stream.pending(), 0);
        QVERIFY(stream.feed(QByteArray(100, char(0xF0))).isEmpty());
        QVERIFY(stream.pending() < 255);

        // A frame longer than any can be, in reads of any size, and a frame
        // after it: only its first piece is handed on, and none of its rest
        // passes for a frame of the terminal its byte 7 names. The noise's
        // rest is no longer awaited after the wait.
        now += 2001;
        const QByteArray huge = dataFrame(9, QByteArray(1 << 20, '7'));
        for (qsizetype read : { qsizetype(100), qsizetype(255), qsizetype(16384), huge.size() - 1 }) {
            QList<QByteArray> got;
            qsizetype at = 0;
            for (; at + read < huge.size(); at += read)
                got += stream.feed(huge.mid(at, read));
            got += stream.feed(huge.mid(at) + b);
            QCOMPARE(got.size(), 2);
            QCOMPARE(Decode(got.first()).terminal, 9);
            QCOMPARE(got.last(), b);
        }
    }
};

TROVA_TEST(FrameCodecTest)
#include "tst_FrameCodec.moc"
