#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The server's information page as the wizard's text browser is given it.
// Its time to read and lay out a page grows faster than the page in several
// ways: with nesting, with pictures (floating ones above all), and steeply
// with tables inside tables. Past any of these bounds the page is not shown,
// as if it could not be loaded.
namespace update {

// Tags of any kind; this also bounds how deep the page can nest.
inline constexpr int kMaxPageTags = 1000;
inline constexpr int kMaxPagePictures = 100;
// Tables inside tables, as the browser reads the page: which closing tag
// ends a table is its parser's call, so this one is counted on the document
// it makes (the wizard does), not in the raw text.
inline constexpr int kMaxPageTableDepth = 3;

// The page's text in the encoding a browser finds for it: the one its
// byte-order mark shows (UTF-8, UTF-16LE, UTF-16BE), else the one the
// answer's Content-Type names, else the one the first <meta charset> or
// <meta http-equiv="Content-Type"> outside a comment names, else UTF-8. A
// name no decoder knows counts as none; a <meta> naming UTF-16, which it
// could not be read in, means UTF-8. GB2312 and GBK are read as GB18030,
// which holds both: servers name the smaller one for text of the larger.
QString decodePage(const QByteArray& body, const QByteArray& contentType);

// The tags and pictures, counted in the text in one pass, too many rather
// than too few: every "<" is taken for a tag and every "<img" for a picture,
// whether in text, a comment or an attribute.
bool isShowablePage(QStringView html);

} // namespace update
