#include "update/InfoPage.h"

namespace update {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

bool isShowablePage(QByteArrayView html)
{
    int tags = 0;
    int pictures = 0;
    const qsizetype n = html.size();
    for (qsizetype i = html.indexOf('<'); i >= 0; i = html.indexOf('<', i)) {
        if (++tags > kMaxPageTags)
            return false;
        // The browser reads "< IMG" as a picture too.
        ++i;
        while (i < n && isSpace(html[i]))
            ++i;
        const qsizetype start = i;
        while (i < n && isNameChar(html[i]))
            ++i;
        if (html.sliced(start, i - start).compare("img", Qt::CaseInsensitive) == 0 && ++pictures > kMaxPagePictures)
            return false;
    }
    return true;
}

} // namespace update
