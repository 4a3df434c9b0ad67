// Velmora: the words of a page, as the full-text index takes them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarn {

// A page's text by where it stands. Markup, scripts, style sheets and the
// navigation, contents and footer blocks that every page repeats are left
// out; character references are decoded, so "&amp;" is the character "&"
// and never the word "amp". Each field is one line: runs of white space are
// one blank.
struct PageText
{
    QString title;    // <title>, without a trailing " | Qt Core 5.15.8"
    QString headings; // h1 to h6
    QString body;     // everything else that is shown
    QString code;     // <pre> blocks
    QString summary;  // the first paragraph with words: a class's one-line description
};

// Reads a page in the character set it declares (Latin-1 when it declares
// none). Returns false, with a one-line reason, for a page that is broken: a
// NUL byte, bytes that are not valid in the declared character set, a tag,
// comment or script cut off by the end of the file, a title that never ends.
bool extractPageText(const QByteArray &bytes, PageText *text, QString *problem);

// The words of a file name: "model-view-programming.html" gives
// "model view programming".
QString fileNameWords(const QString &fileName);

// The words a class's name is made of, for a reader who describes the class
// rather than names it: "QElapsedTimer" gives "elapsed timer", "QIODevice"
// "io device", "QOpenGLWidget" "open gl widget". The Q and a namespace are
// left out; a name with no inner capitals gives itself, lowered.
QString classNameWords(const QString &className);

} // namespace tarn
