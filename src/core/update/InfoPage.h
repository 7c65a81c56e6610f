#pragma once

#include <QByteArrayView>

// Whether the wizard's text browser may be given the server's information
// page. Its time to read and lay out a page grows faster than the page in
// several ways: with nesting, with pictures (floating ones above all), and
// steeply with tables inside tables. Past any of these bounds the page is
// not shown, as if it could not be loaded.
namespace update {

// Tags of any kind; this also bounds how deep the page can nest.
inline constexpr int kMaxPageTags = 1000;
inline constexpr int kMaxPagePictures = 100;
// Tables inside tables, as the browser reads the page: which closing tag
// ends a table is its parser's call, so this one is counted on the document
// it makes (the wizard does), not in the raw text.
inline constexpr int kMaxPageTableDepth = 3;

// The tags and pictures, counted in the raw text in one pass, too many
// rather than too few: every "<" is taken for a tag and every "<img" for a
// picture, whether in text, a comment or an attribute.
bool isShowablePage(QByteArrayView html);

} // namespace update
