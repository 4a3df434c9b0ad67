// Velmora: marks the hits of a search in the page shown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "querytranslator.h"

#include <QList>
#include <QRegularExpression>
#include <QTextCharFormat>

class QPalette;
class QTextEdit;

namespace tarn {

// One pattern for all terms, as the index matches them: whole words, case
// folded, the words of a phrase or an identifier with anything but letters
// and digits between them ("QString::arg", "model/view"), a prefix term's
// last word open at its end.
QRegularExpression hitPattern(const QList<SearchTerm> &terms);

// How a hit is marked on a view of that palette: amber behind dark text on
// a light page, dark amber behind light text on a dark one (the window's
// palette follows the page theme). Either way 4.5:1 or more.
QTextCharFormat hitMarkFormat(const QPalette &palette);

// Marks every hit in the page the view shows (extra selections, which
// leave the text, the selection and find in page alone) and scrolls the
// first one into view, unless the page was opened at an anchor that is
// where the reader wants to be. The marks go when the view shows something
// else. Returns the number of hits marked; at most 5,000 are.
enum class HitScroll { ToFirst, Stay };
int highlightHits(QTextEdit *view, const QList<SearchTerm> &terms,
                  HitScroll scroll = HitScroll::ToFirst);

} // namespace tarn
