// Velmora: a long page cut into parts that parse one at a time.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace tarn {

// Where the rest of a long page may begin, and what it must be parsed
// after so that it comes out as it would in one piece: the page's style
// sheets, then the start tags of the elements still open there, without
// the names that would make anchors of them again.
struct PagePart
{
    qsizetype start = 0;
    QString context;
};

// Cuts a page's HTML so that every part after the first holds at least
// `partLength` characters, and the first at least `firstLength` (when that is
// not negative; else `partLength`). A cut falls only just after the first
// letter of a paragraph or a heading that lies in nothing but divisions, so that parsing
// the first part, then each later part behind its context at the end of the
// document, gives the same document as the whole text: the text after the
// cut runs on in the paragraph the part before it left open. A page with no
// such place, or shorter than two parts, gives none.
QList<PagePart> pageParts(QStringView html, qsizetype partLength, qsizetype firstLength = -1);

// A start tag parsed again for a later part, without what would name a
// second anchor: its id and name attributes, and the space before each.
QString withoutAnchorNames(QStringView tag);

// What of a page cannot wrap, as a page of its own: the page up to its body's
// start tag (its style sheets), then for each kind of code block (each start
// tag) its longest line, then each image in a paragraph of its own. Laid out
// with the page's style it is about as wide as the whole page will be, less
// what nesting adds, for a fraction of the parsing: so a page that comes in
// parts can have its bar below from the first screen on. Lines are measured
// in characters, tags left out and a reference counted as one: code is set
// in a fixed-pitch font.
QString unwrappedContent(QStringView html);

} // namespace tarn
