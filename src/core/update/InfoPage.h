#pragma once

#include <QByteArrayView>

// Whether the wizard's text browser may be given the server's information
// page. Its time to read and lay out a page grows faster than the page in
// several ways: with nesting, with tables inside tables, with pictures
// (floating ones above all). Past any of these bounds the page is not shown,
// as if it could not be loaded. The counts are taken from the raw text in
// one pass, counting too much rather than too little: every "<" is taken
// for a tag, whether in text, a comment or an attribute.
namespace update {

// Tags of any kind; this also bounds how deep the page can nest.
inline constexpr int kMaxPageTags = 1000;
inline constexpr int kMaxPageTableDepth = 5;
inline constexpr int kMaxPagePictures = 100;

bool isShowablePage(QByteArrayView html);

} // namespace update
