#include "label/LabelLanguage.h"

#include "security/Digest.h"

#include <QLocale>
#include <cmath>
#include <cstdint>

namespace label {

namespace {

// The company logo: block letters of horizontal strokes, one row of a letter
// every 1.2 mm, inside x 0050..0390 and y 0100..0173; strokes 4, 8 and 30 are
// 6 dots wide, the others 9.
struct Stroke
{
    int x1, y1, x2, y2, width;
};

constexpr Stroke kLogo[32] = {
    // H
    {50, 100, 70, 100, 9},   {130, 100, 150, 100, 9}, {50, 112, 70, 112, 9},   {130, 112, 150, 112, 6},
    {50, 124, 70, 124, 9},   {130, 124, 150, 124, 9}, {50, 136, 150, 136, 9},  {50, 148, 70, 148, 6},
    {130, 148, 150, 148, 9}, {50, 160, 70, 160, 9},   {130, 160, 150, 160, 9}, {50, 172, 70, 172, 9},
    {130, 172, 150, 172, 9},
    // A
    {190, 100, 250, 100, 9}, {170, 112, 190, 112, 9}, {250, 112, 270, 112, 9}, {170, 124, 190, 124, 9},
    {250, 124, 270, 124, 9}, {170, 136, 270, 136, 9}, {170, 148, 190, 148, 9}, {250, 148, 270, 148, 9},
    {170, 160, 190, 160, 9}, {250, 160, 270, 160, 9}, {170, 172, 190, 172, 9}, {250, 172, 270, 172, 9},
    // L
    {290, 100, 310, 100, 9}, {290, 112, 310, 112, 9}, {290, 124, 310, 124, 9}, {290, 136, 310, 136, 9},
    {290, 148, 310, 148, 6}, {290, 160, 310, 160, 9}, {290, 172, 390, 172, 9},
};

// Lines 1 to 41, shared by both labels.
QStringList commonLines()
{
    QStringList l;
    l << QStringLiteral("{D0710,0700,0700|}") << QStringLiteral("{C|}") << QStringLiteral("{AX;+000,+000,+00|}")
      << QStringLiteral("{AY;+00,0|}");
    for (const Stroke& s : kLogo) {
        l << QStringLiteral("{LC;") + FormatCoord(s.x1) + QLatin1Char(',') + FormatCoord(s.y1) + QLatin1Char(',')
                 + FormatCoord(s.x2) + QLatin1Char(',') + FormatCoord(s.y2)
                 + (s.width == 6 ? QStringLiteral(",0,6|}") : QStringLiteral(",0,9|}"));
    }
    l << QStringLiteral("{PC000;") + FormatCoord(50) + QLatin1Char(',') + FormatCoord(220)
             + QStringLiteral(",08,08,R,00,B|}")
      << QStringLiteral("{RC00;HALVARD|}") << QStringLiteral("{PC000;0050,0330,05,05,K,00,B|}")
      << QStringLiteral("{RC00;HALVARD Part No:|}") << QStringLiteral("{PC000;0220,0330,05,05,M,00,B|}");
    return l;
}

// Rounds to the nearest whole number, a half to the even neighbour.
double roundHalfEven(double v)
{
    const double down = std::floor(v);
    const double rest = v - down;
    if (rest < 0.5)
        return down;
    if (rest > 0.5)
        return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

} // namespace

Error::Error(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}

QString FormatCoord(int n)
{
    const QString digits = QString::number(std::abs(qint64(n))).rightJustified(4, QLatin1Char('0'));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

QStringList PartLabelLines(const QString& partNo)
{
    QStringList l = commonLines();
    l << QStringLiteral("{RC00;") + partNo + QStringLiteral("|}")
      << QStringLiteral("{XB00;0050,0380,C,1,03,0,0100,+0000000000,000,0,00|}")
      << QStringLiteral("{RB00;") + partNo + QStringLiteral("|}") << QStringLiteral("{XS;I,0001,0002C2200|}")
      << QStringLiteral("{C|}");
    return l;
}

QStringList LinkLabelLines(const QString& compCode, const QString& linkId)
{
    QStringList l = commonLines();
    l << QStringLiteral("{RC00;") + compCode + QStringLiteral("|}")
      << QStringLiteral("{PC000;0050,0380,05,05,K,00,B|}") << QStringLiteral("{RC00;TROVA Link ID:|}")
      << QStringLiteral("{PC000;0220,0380,05,05,M,00,B|}") << QStringLiteral("{RC00;") + linkId + QStringLiteral("|}")
      << QStringLiteral("{XB00;0050,0420,C,1,05,0,0100,+0000000000,000,0,00|}")
      << QStringLiteral("{RB00;") + linkId + QStringLiteral("|}") << QStringLiteral("{XS;I,0001,0002C2200|}")
      << QStringLiteral("{C|}");
    return l;
}

std::optional<int> PrintQuantity(const QString& answer)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(answer.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    const double n = roundHalfEven(v);
    if (n < INT16_MIN || n > INT16_MAX)
        throw QuantityError(QStringLiteral("6Overflow")); // error number and description, as the button shows them
    return int(n);
}

QByteArray LabelJob(const QStringList& lines)
{
    QByteArray job;
    for (const QString& line : lines) {
        for (qsizetype i = 0; i < line.size(); ++i) {
            const int code = Module1::windows1252Code(line[i]);
            if (code < 0) {
                // Named whole, also when it takes two UTF-16 units.
                const bool pair = line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate();
                const QString c = line.mid(i, pair ? 2 : 1);
                throw EncodingError(QStringLiteral("The character \"%1\" (U+%2) cannot be printed on a label: the label "
                                                   "printer takes only the characters of Windows-1252. No label was "
                                                   "printed.")
                                        .arg(c, QString::number(c.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
            }
            job += char(code);
        }
        job += "\r\n";
    }
    return job;
}

QList<int> OrderPrintRows(int selIndex, int quantity)
{
    QList<int> rows;
    for (int i = 0; i < quantity; ++i) {
        const int r = selIndex - i;
        if (r <= 0)
            break;
        rows << r;
    }
    return rows;
}

} // namespace label
