// Velmora: link and style-sheet rewriting of the imported reference pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tarn::import {

class AnchorRepair;

// Which <div> and <span> elements carry style in the page view's sheet. The
// others are only wrappers: the view's style engine matches every element
// and every ancestor of it against the sheet, so each wrapper level costs
// every element inside it, and unwrapped a large class page parses in two
// thirds of the time (see velmora-bench-session).
struct MarkupRules
{
    QSet<QByteArray> divClasses;
    QSet<QByteArray> spanClasses;
};

// The classes the sheet styles as "div.x" and "span.x".
MarkupRules markupRulesFromStyleSheet(const QByteArray &css);

// What a page's links may point at once everything lives in one flat folder.
struct LinkTargets
{
    QSet<QByteArray> names;                // every bare file name of the output folder
    QByteArray onlineBase;                 // where pages outside the set live, no trailing "/"
    QHash<QByteArray, QByteArray> renamed; // imported files that gave their name to ours
    // With the anchors of every page, anchors that links name are checked
    // and repaired, and anchors a page carries twice are told apart.
    const AnchorRepair *anchors = nullptr;
    QByteArray page; // the page being rewritten
    // With rules, <div> and <span> elements that neither the sheet styles
    // nor an id or a style attribute names give way to their content.
    const MarkupRules *unwrap = nullptr;
};

enum class LinkFate {
    Unchanged, // an anchor, an absolute address, a file the set lacks that is no page
    Local,     // a file of the set, by its bare name
    External,  // a page outside the set, by its online address
    Removed,   // a page that is nowhere: the link goes, its text stays
};

// What rewriting the pages did to their links, beyond bare names.
struct RewriteLog
{
    int external = 0;
    int removed = 0;
    int repaired = 0;      // anchors found under their real name
    int pointedAtPage = 0; // anchors replaced by the page's landing anchor
    int missing = 0;       // anchors left missing: the page has none to point at
    int unwrapped = 0;     // wrapper elements taken out
    QStringList notes;     // a line for each link removed, pointed at its page or left
};

// "http://doc.qt.io/qt-5" -> "https://doc.qt.io/qt-5".
QByteArray onlineBaseFromIndexUrl(const QString &url);

// One href/src value: bare name when the file is in the set, the online
// address for a missing page where the module names one, a null array for
// a page that is nowhere, anything else unchanged.
QByteArray rewriteLink(QByteArrayView link, const LinkTargets &targets, LinkFate *fate = nullptr);

// The top of a reference page rearranged so that it opens on its subject:
// the title first, then the navigation bar as one line of links
// ("Qt 6.4 › Qt Widgets › C++ Classes › QWidget"), then what followed the
// title (a class's brief and header table), then the contents list as one
// line of links. A page without a title element stays as it is.
QByteArray rewritePageTop(const QByteArray &html);

// A whole page: its top rearranged (rewritePageTop), links rewritten, links to nowhere dropped with
// their text kept, anchors checked (with targets.anchors), <script> elements dropped, wrappers
// unwrapped (with targets.unwrap), the style sheet link pointed at offline.css. Every other byte
// stays.
QByteArray rewritePage(const QByteArray &html, const LinkTargets &targets,
                       RewriteLog *log = nullptr);

// The last path segment, without fragment or query.
QByteArray bareName(QByteArrayView link);

} // namespace tarn::import
