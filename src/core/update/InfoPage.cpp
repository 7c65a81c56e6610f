#include "update/InfoPage.h"

#include <QRegularExpression>
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

// The charset of the first <meta> that names one. The declaration is in
// ASCII whatever the page's encoding, so the bytes are read as Latin-1.
QByteArray metaCharset(const QByteArray& body)
{
    static const QRegularExpression meta(QStringLiteral("<meta\\s([^>]*)>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(QStringLiteral("([^\\s=/>]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"));
    const QString text = QString::fromLatin1(body);
    for (auto tag = meta.globalMatch(text); tag.hasNext();) {
        QString equiv;
        QString content;
        for (auto a = attribute.globalMatch(tag.next().capturedView(1)); a.hasNext();) {
            const QRegularExpressionMatch m = a.next();
            const QString name = m.captured(1).toLower();
            const QString value = m.captured(2) + m.captured(3) + m.captured(4);
            if (name == QLatin1String("charset"))
                return value.toLatin1();
            if (name == QLatin1String("http-equiv"))
                equiv = value.trimmed().toLower();
            else if (name == QLatin1String("content"))
                content = value;
        }
        if (equiv == QLatin1String("content-type")) {
            const QByteArray charset = charsetOf(content.toLatin1());
            if (!charset.isEmpty())
                return charset;
        }
    }
    return QByteArray();
}

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
    for (const QByteArray& name : { charsetOf(contentType), metaCharset(body), byteOrderMark(body) }) {
        if (std::optional<QStringDecoder> decoder = decoderFor(name))
            return decoder->decode(body);
    }
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
