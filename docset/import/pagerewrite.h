// Velmora: link and style-sheet rewriting of the imported reference pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QString>

namespace docimport {

// What a page's links may point at once everything lives in one flat folder.
struct LinkTargets
{
    QSet<QByteArray> names;                // every bare file name of the output folder
    QByteArray onlineBase;                 // where pages outside the set live, no trailing "/"
    QHash<QByteArray, QByteArray> renamed; // imported files that gave their name to ours
};

// "http://doc.qt.io/qt-5" -> "https://doc.qt.io/qt-5".
QByteArray onlineBaseFromIndexUrl(const QString &url);

// One href/src value: bare name when the file is in the set, the online
// address for a missing page, anything else unchanged.
QByteArray rewriteLink(QByteArrayView link, const LinkTargets &targets);

// A whole page: links rewritten, <script> elements dropped, the style sheet
// link pointed at offline.css. Every other byte stays as it was.
QByteArray rewritePage(const QByteArray &html, const LinkTargets &targets);

// The style sheet's url(...) references reduced to bare names.
QByteArray rewriteStyleSheet(const QByteArray &css);

// Pixel font sizes become sizes relative to the page font, and proportional
// font families are dropped, so the reader's font and zoom govern the page.
QByteArray scalableFonts(const QByteArray &css);

// The last path segment, without fragment or query.
QByteArray bareName(QByteArrayView link);

} // namespace docimport
