#include "update/InfoPage.h"

#include <QList>
#include <QStringDecoder>
#include <optional>

namespace update {

namespace {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

std::optional<QStringDecoder> decoderFor(QByteArray name)
{
    name = name.trimmed().toLower();
    if (name.isEmpty())
        return std::nullopt;
    if (name == "gb2312" || name == "gbk" || name == "x-gbk" || name == "cp936" || name == "csgb2312"
        || name == "gb_2312-80")
        name = "gb18030";
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return decoder;
}

// The charset parameter of a Content-Type value ("text/html; charset=gbk").
QByteArray charsetOf(const QByteArray& contentType)
{
    const QList<QByteArray> params = contentType.split(';');
    for (qsizetype i = 1; i < params.size(); ++i) {
        const qsizetype eq = params[i].indexOf('=');
        if (eq < 0 || params[i].left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = params[i].mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QByteArray();
}

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The value of "charset=" in a <meta> content attribute, as a browser finds it.
QByteArray charsetInContent(const QByteArray& content)
{
    const QByteArray text = content.toLower();
    for (qsizetype i = text.indexOf("charset"); i >= 0; i = text.indexOf("charset", i)) {
        i += 7;
        while (i < text.size() && isAsciiSpace(text[i]))
            ++i;
        if (i >= text.size() || text[i] != '=')
            continue;
        ++i;
        while (i < text.size() && isAsciiSpace(text[i]))
            ++i;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            const qsizetype close = text.indexOf(text[i], i + 1);
            return close < 0 ? QByteArray() : content.mid(i + 1, close - i - 1);
        }
        qsizetype end = i;
        while (end < text.size() && !isAsciiSpace(text[end]) && text[end] != ';')
            ++end;
        return content.mid(i, end - i);
    }
    return QByteArray();
}

// Reads the markup of a page in the way browsers look for its encoding
// before they know it: tag by tag, the bytes taken as ASCII, comments and
// the attributes of other tags passed over.
class Prescan
{
public:
    explicit Prescan(const QByteArray& body) : m_b(body) { }

    // The decoder the first <meta> names that one exists for.
    std::optional<QStringDecoder> encoding()
    {
        const qsizetype n = m_b.size();
        for (m_i = m_b.indexOf('<'); m_i >= 0 && m_i < n; m_i = m_b.indexOf('<', m_i + 1)) {
            if (QByteArrayView(m_b).sliced(m_i).startsWith("<!--")) {
                // "<!-->" closes it too: the dashes may be the opening ones.
                const qsizetype end = m_b.indexOf("-->", m_i + 2);
                if (end < 0)
                    return std::nullopt;
                m_i = end + 2;
            } else if (m_i + 5 < n && lower(m_b[m_i + 1]) == 'm' && lower(m_b[m_i + 2]) == 'e'
                && lower(m_b[m_i + 3]) == 't' && lower(m_b[m_i + 4]) == 'a'
                && (isAsciiSpace(m_b[m_i + 5]) || m_b[m_i + 5] == '/')) {
                m_i += 6;
                if (std::optional<QStringDecoder> found = meta())
                    return found;
            } else if (m_i + 1 < n
                && (isLetter(m_b[m_i + 1]) || (m_b[m_i + 1] == '/' && m_i + 2 < n && isLetter(m_b[m_i + 2])))) {
                while (m_i < n && !isAsciiSpace(m_b[m_i]) && m_b[m_i] != '>')
                    ++m_i;
                while (attribute()) { }
            } else if (m_i + 1 < n && (m_b[m_i + 1] == '!' || m_b[m_i + 1] == '/' || m_b[m_i + 1] == '?')) {
                m_i = m_b.indexOf('>', m_i);
                if (m_i < 0)
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

private:
    // A <meta>'s attributes, each name the first time it occurs: a charset,
    // or http-equiv="content-type" with a charset in its content.
    std::optional<QByteArray> metaCharset()
    {
        QList<QByteArray> seen;
        bool pragma = false;
        std::optional<bool> needPragma;
        QByteArray charset;
        while (attribute()) {
            const QByteArray name = m_name.toByteArray().toLower();
            if (seen.contains(name))
                continue;
            seen.append(name);
            const QByteArray value = m_value.toByteArray();
            if (name == "http-equiv") {
                pragma = pragma || value.toLower() == "content-type";
            } else if (name == "content" && charset.isEmpty()) {
                charset = charsetInContent(value);
                if (!charset.isEmpty())
                    needPragma = true;
            } else if (name == "charset") {
                charset = value;
                needPragma = false;
            }
        }
        if (!needPragma || (*needPragma && !pragma))
            return std::nullopt;
        return charset;
    }

    std::optional<QStringDecoder> meta()
    {
        const std::optional<QByteArray> name = metaCharset();
        std::optional<QStringDecoder> probe = name ? decoderFor(*name) : std::nullopt;
        if (!probe)
            return std::nullopt;
        // The declaration was read as ASCII: an encoding in which it would
        // not be (UTF-16 above all) cannot be the page's, which is then
        // taken for UTF-8, as browsers do.
        if (QString(probe->decode(QByteArrayView("<meta"))) != QLatin1String("<meta"))
            return QStringDecoder(QStringDecoder::Utf8);
        return decoderFor(*name);
    }

    // The next attribute of the tag at the position, as it stands in the
    // page; false at the tag's end.
    bool attribute()
    {
        const qsizetype n = m_b.size();
        while (m_i < n && (isAsciiSpace(m_b[m_i]) || m_b[m_i] == '/'))
            ++m_i;
        m_name = m_value = QByteArrayView();
        if (m_i >= n || m_b[m_i] == '>')
            return false;
        const qsizetype start = m_i;
        for (;; ++m_i) {
            if (m_i >= n)
                return false;
            const char c = m_b[m_i];
            m_name = QByteArrayView(m_b).sliced(start, m_i - start);
            if (c == '=' && m_i > start) {
                ++m_i;
                break;
            }
            if (isAsciiSpace(c)) {
                while (m_i < n && isAsciiSpace(m_b[m_i]))
                    ++m_i;
                if (m_i >= n || m_b[m_i] != '=')
                    return true;
                ++m_i;
                break;
            }
            if (c == '/' || c == '>')
                return true;
        }
        while (m_i < n && isAsciiSpace(m_b[m_i]))
            ++m_i;
        if (m_i >= n)
            return false;
        if (m_b[m_i] == '"' || m_b[m_i] == '\'') {
            const qsizetype close = m_b.indexOf(m_b[m_i], m_i + 1);
            if (close < 0) {
                m_i = n; // the rest is the value: nothing more to find
                return false;
            }
            m_value = QByteArrayView(m_b).sliced(m_i + 1, close - m_i - 1);
            m_i = close + 1;
            return true;
        }
        const qsizetype value = m_i;
        while (m_i < n && !isAsciiSpace(m_b[m_i]) && m_b[m_i] != '>')
            ++m_i;
        m_value = QByteArrayView(m_b).sliced(value, m_i - value);
        return true;
    }

    const QByteArray& m_b;
    qsizetype m_i = 0;
    QByteArrayView m_name;
    QByteArrayView m_value;
};

QByteArray byteOrderMark(const QByteArray& body)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return "UTF-8";
    if (body.startsWith("\xFF\xFE"))
        return "UTF-16LE";
    if (body.startsWith("\xFE\xFF"))
        return "UTF-16BE";
    return QByteArray();
}

} // namespace

QString decodePage(const QByteArray& body, const QByteArray& contentType)
{
    for (const QByteArray& name : { byteOrderMark(body), charsetOf(contentType) }) {
        if (std::optional<QStringDecoder> decoder = decoderFor(name))
            return decoder->decode(body);
    }
    if (std::optional<QStringDecoder> decoder = Prescan(body).encoding())
        return decoder->decode(body);
    return QString::fromUtf8(body);
}

bool isShowablePage(QStringView html)
{
    int tags = 0;
    int pictures = 0;
    const qsizetype n = html.size();
    for (qsizetype i = html.indexOf(u'<'); i >= 0; i = html.indexOf(u'<', i)) {
        if (++tags > kMaxPageTags)
            return false;
        // The browser reads "< IMG" as a picture too.
        ++i;
        while (i < n && isSpace(html[i]))
            ++i;
        const qsizetype start = i;
        while (i < n && isNameChar(html[i]))
            ++i;
        if (html.sliced(start, i - start).compare(u"img", Qt::CaseInsensitive) == 0 && ++pictures > kMaxPagePictures)
            return false;
    }
    return true;
}

} // namespace update
