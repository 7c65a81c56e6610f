#include "security/Digest.h"

#include <QVector>
#include <cstdint>
#include <limits>

namespace Module1 {

namespace {

constexpr int kPadGroup = 6139;

// Unicode code points of the Windows-1252 bytes 0x80..0x9F. The five bytes the
// code page leaves undefined map to the C1 control of the same value.
constexpr char16_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString upperPerChar(const QString& s)
{
    // Character by character, so that no letter turns into two (ß stays ß).
    QString out = s;
    for (QChar& c : out)
        c = c.toUpper();
    return out;
}

QString twoDigits(int code)
{
    const QString text = QString::number(code);
    if (text.size() == 1)
        return text + QLatin1Char('0');
    return text.left(2);
}

} // namespace

int windows1252Code(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kHighBlock[i] == u)
            return 0x80 + i;
    }
    return -1;
}

std::optional<QString> Encode(const QString& userIdIn, const QString& passwordIn)
{
    const QString U = upperPerChar(userIdIn).trimmed();
    const QString P = upperPerChar(passwordIn).trimmed();
    const int a = int(U.size());
    const int b = int(P.size());
    if (a == 0 || b == 0)
        return std::nullopt;

    QString p;
    p.reserve(b);
    for (int i = b - 1; i >= 0; --i)
        p.append(P.at(i));

    const int total = a + b;
    const int N = (total % 2 == 0) ? total : total + 1;
    // cells[0] is cell 1; a null QChar marks a cell that holds nothing yet.
    QVector<QString> cells(N);

    const QString& first = (a <= b) ? U : p;
    const QString& second = (a <= b) ? p : U;
    for (int i = 0; i < first.size(); ++i)
        cells[2 * i] = QString(first.at(i));
    int next = 0;
    for (int cell = 1; cell < total; ++cell) {
        if (!cells[cell].trimmed().isEmpty())
            continue;
        if (next >= second.size())
            return std::nullopt; // a blank took a cell that nothing can fill
        cells[cell] = QString(second.at(next++));
    }
    cells[N - 1] = QStringLiteral("Z");

    QString digits;
    digits.reserve(2 * N);
    for (const QString& cell : cells) {
        if (cell.isEmpty())
            return std::nullopt;
        const int code = windows1252Code(cell.at(0));
        if (code < 0)
            return std::nullopt;
        digits += twoDigits(code);
    }

    QVector<int> groups;
    for (int i = 0; i + 4 <= digits.size(); i += 4)
        groups.append(digits.mid(i, 4).toInt());
    if (groups.size() % 2 == 1)
        groups.append(kPadGroup);

    const int H = int(groups.size());
    std::int64_t sum = 0;
    for (int i = 0; i < H / 2; ++i) {
        sum += std::int64_t(groups[i]) * groups[H - 1 - i];
        if (sum > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
    }
    if (sum <= 0)
        return std::nullopt; // doubling zero would never reach eight digits

    QString text = QString::number(sum);
    while (text.size() < 8) {
        sum *= 2;
        text = QString::number(sum);
    }
    if (text.size() > 8)
        text = text.mid(1, 8);
    return text;
}

} // namespace Module1
