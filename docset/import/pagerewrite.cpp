// Velmora: link and style-sheet rewriting of the imported reference pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagerewrite.h"

#include "anchors.h"
#include "htmltags.h"

#include <QRegularExpression>

namespace tarn::import {

namespace {

const QByteArray styleSheetName = QByteArrayLiteral("offline.css");

// "scheme:" before any "/", "?" or "#": an absolute address we leave alone.
bool hasScheme(QByteArrayView link)
{
    if (link.isEmpty() || !isAsciiAlpha(link[0]))
        return false;
    for (qsizetype i = 1; i < link.size(); ++i) {
        const char c = link[i];
        if (c == ':')
            return true;
        if (!isAsciiAlnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

// A name the online reference can have: what our pages are named like.
bool isOnlinePageName(QByteArrayView name)
{
    if (!name.endsWith(".html"))
        return false;
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-'))
            return false;
    }
    return true;
}

// A link to a file that is no page (an image, a download) keeps its address
// even when the set lacks it; a page link that leads nowhere goes. Names
// without an extension are page titles written where a file name belongs.
bool namesPage(QByteArrayView bare)
{
    if (bare.endsWith(".html") || bare.endsWith(".htm"))
        return true;
    const qsizetype dot = bare.lastIndexOf('.');
    return dot < 0 || bare.sliced(dot).contains(' ');
}

void count(RewriteLog *log, int RewriteLog::*field)
{
    if (log)
        ++(log->*field);
}

// Anchors that several elements of the page carry get names of their own,
// as scanAnchors() gave them, so that each can be linked.
class AnchorRenamer
{
public:
    explicit AnchorRenamer(const PageAnchors *page)
        : m_page(page)
    {
    }

    QByteArray name(QByteArrayView value, bool isId)
    {
        if (!m_page || m_page->duplicates.isEmpty())
            return value.toByteArray();
        const QByteArray v = value.toByteArray();
        const auto names = m_page->duplicates.constFind(v);
        if (names == m_page->duplicates.cend())
            return v;
        const int occurrence = (isId ? m_ids : m_names)[v]++;
        return occurrence == 0 || occurrence > names->size() ? v : names->at(occurrence - 1);
    }

private:
    const PageAnchors *m_page;
    QHash<QByteArray, int> m_ids;
    QHash<QByteArray, int> m_names;
};

// The new value of an href or src, or a null array when the attribute goes.
QByteArray rewrittenValue(const QByteArray &html, const HtmlTag &tag, QByteArrayView value,
                          const LinkTargets &targets, RewriteLog *log)
{
    LinkFate fate = LinkFate::Unchanged;
    const QByteArray link = rewriteLink(value, targets, &fate);
    if (fate == LinkFate::External)
        count(log, &RewriteLog::external);
    if (fate == LinkFate::Removed) {
        count(log, &RewriteLog::removed);
        if (log)
            log->notes.append(QStringLiteral("%1: link to \"%2\" removed, no such page")
                                  .arg(QString::fromUtf8(targets.page), QString::fromUtf8(value)));
        return QByteArray();
    }
    if (!targets.anchors || !tag.is("a"))
        return link;
    // A local page link with an anchor: check the anchor against the page.
    const qsizetype hash = link.indexOf('#');
    if (hash < 0 || hasScheme(link) || link.startsWith("//"))
        return link;
    const QByteArray page = hash == 0 ? targets.page : link.left(hash);
    if (!targets.names.contains(page) && page != targets.page)
        return link;
    const QByteArray anchor = link.mid(hash + 1);
    if (targets.anchors->isSound(page, anchor))
        return link;
    const TargetRepair repair =
        targets.anchors->repairLink(page, anchor, linkContextAt(html, tag.end + 1));
    if (repair.fate == AnchorFate::Present)
        return link;
    if (repair.fate == AnchorFate::Repaired)
        count(log, &RewriteLog::repaired);
    else if (repair.fate == AnchorFate::PointedAtPage)
        count(log, &RewriteLog::pointedAtPage);
    else
        count(log, &RewriteLog::missing);
    if (log && repair.fate != AnchorFate::Repaired) {
        log->notes.append(
            QStringLiteral("%1: link to %2 %3: %4")
                .arg(QString::fromUtf8(targets.page), QString::fromUtf8(link),
                     repair.fate == AnchorFate::Missing
                         ? QStringLiteral("left to a missing anchor")
                         : QStringLiteral("pointed at ") + QString::fromUtf8(repair.target),
                     repair.why));
    }
    if (repair.fate == AnchorFate::Missing)
        return link;
    // A link within the page stays one.
    if (hash == 0 && repair.target.startsWith(QByteArray(page + '#')))
        return repair.target.mid(page.size());
    return repair.target;
}

// A <div> or <span> that only wraps: no id, no style, no attribute but a
// class the sheet leaves alone. A <div> must also hold markup at both ends:
// text directly inside it would run into the block before it.
bool isWrapper(const QByteArray &html, const HtmlTag &tag, const QSet<QByteArray> &styled,
               qsizetype contentEnd)
{
    for (const HtmlAttribute &a : tag.attributes) {
        if (!equalsIgnoreCase(a.name, "class"))
            return false;
        const QByteArrayView value(html.constData() + a.valueBegin, a.valueEnd - a.valueBegin);
        for (const QByteArray &name : value.toByteArray().split(' ')) {
            if (styled.contains(name))
                return false;
        }
    }
    if (!tag.is("div"))
        return true;
    const auto firstNonSpace = [&html](qsizetype from, qsizetype to, int step) {
        for (qsizetype i = from; i != to; i += step) {
            if (!isSpace(html[i]))
                return html[i];
        }
        return '<';
    };
    return firstNonSpace(tag.end + 1, contentEnd, 1) == '<'
        && (contentEnd <= tag.end + 1 || firstNonSpace(contentEnd - 1, tag.end, -1) == '>');
}

// Where the content of the element opened by `tag` ends: the "<" of its
// matching end tag, or the end of the page.
qsizetype contentEndOf(const QByteArray &html, const HtmlTag &tag)
{
    HtmlTagReader reader(html, tag.skipTo);
    HtmlTag inner;
    int depth = 1;
    while (reader.next(&inner)) {
        if (!inner.is(tag.name))
            continue;
        depth += inner.closing ? -1 : 1;
        if (depth == 0)
            return inner.begin;
    }
    return html.size();
}

void rewriteTag(const QByteArray &html, const HtmlTag &tag, const LinkTargets &targets,
                AnchorRenamer &renamer, RewriteLog *log, QByteArray &out, qsizetype &copied)
{
    bool styleSheetLink = false;
    if (tag.is("link")) {
        const QByteArrayView rel = tag.value(html, "rel");
        styleSheetLink = rel.toByteArray().toLower().contains("stylesheet");
    }
    for (const HtmlAttribute &a : tag.attributes) {
        if (a.valueBegin < 0)
            continue;
        const QByteArrayView value(html.constData() + a.valueBegin, a.valueEnd - a.valueBegin);
        QByteArray replaced;
        if (equalsIgnoreCase(a.name, "href") || equalsIgnoreCase(a.name, "src")) {
            replaced =
                styleSheetLink ? styleSheetName : rewrittenValue(html, tag, value, targets, log);
            if (replaced.isNull()) {
                // The link goes, its text stays: drop the attribute and the blank before it.
                qsizetype from = a.begin;
                while (from > copied && isSpace(html[from - 1]))
                    --from;
                out.append(html.constData() + copied, from - copied);
                copied = a.end;
                continue;
            }
        } else if (equalsIgnoreCase(a.name, "id")) {
            replaced = renamer.name(value, true);
        } else if (equalsIgnoreCase(a.name, "name") && tag.is("a")) {
            replaced = renamer.name(value, false);
        } else {
            continue;
        }
        if (replaced == value)
            continue;
        out.append(html.constData() + copied, a.valueBegin - copied);
        out.append(replaced);
        copied = a.valueEnd;
    }
}

// Whether the tag's class attribute names `name`.
bool hasClass(const QByteArray &html, const HtmlTag &tag, QByteArrayView name)
{
    const QByteArrayView classes = tag.value(html, "class");
    for (const QByteArray &c : classes.toByteArray().split(' ')) {
        if (c == name)
            return true;
    }
    return false;
}

// An element of the page: from its "<" to one past its end tag's ">".
struct Element
{
    qsizetype begin = -1;
    qsizetype contentBegin = -1;
    qsizetype contentEnd = -1;
    qsizetype end = -1;

    bool isValid() const { return begin >= 0; }
};

Element elementAt(const QByteArray &html, const HtmlTag &tag)
{
    Element e;
    e.begin = tag.begin;
    e.contentBegin = tag.skipTo;
    e.contentEnd = contentEndOf(html, tag);
    const qsizetype close = html.indexOf('>', e.contentEnd);
    e.end = e.contentEnd >= html.size() || close < 0 ? html.size() : close + 1;
    return e;
}

// The items of a list: each <li>'s content and the number of its
// "levelN" class (1 without one), in order.
struct ListItem
{
    QByteArray html;
    int level = 1;
};

QList<ListItem> listItems(const QByteArray &html, const Element &list, bool dropBuildVersion)
{
    QList<ListItem> items;
    HtmlTagReader reader(html, list.contentBegin);
    HtmlTag tag;
    while (reader.next(&tag) && tag.begin < list.contentEnd) {
        if (tag.closing || !tag.is("li"))
            continue;
        // The navigation bar's last item names the documentation's release,
        // which the caption says already.
        if (dropBuildVersion && tag.value(html, "id") == "buildversion")
            continue;
        ListItem item;
        const QByteArrayView classes = tag.value(html, "class");
        if (classes.startsWith("level"))
            item.level = qMax(1, classes.sliced(5).toByteArray().toInt());
        const Element li = elementAt(html, tag);
        item.html =
            html.mid(li.contentBegin, qMin(li.contentEnd, list.contentEnd) - li.contentBegin)
                .trimmed();
        if (!item.html.isEmpty())
            items.append(item);
    }
    return items;
}

// "A › B › C": a line of its own that the page view keeps on one line where
// the width allows.
QByteArray breadcrumbLine(const QList<ListItem> &items)
{
    QByteArray line = QByteArrayLiteral("<p class=\"navigationbar\">");
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            line += " \xe2\x80\xba "; // U+203A SINGLE RIGHT-POINTING ANGLE QUOTATION MARK
        line += items.at(i).html;
    }
    return line + "</p>\n";
}

// The sections as one line, separated by middle dots; the subsections of a
// section follow it in parentheses. It keeps the list's "toc" anchor.
QByteArray contentsLine(const QList<ListItem> &items)
{
    QByteArray line = QByteArrayLiteral("<p class=\"toc\" id=\"toc\">");
    bool inGroup = false;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const bool sub = items.at(i).level > 1 && i > 0;
        if (sub && !inGroup) {
            line += " (";
            inGroup = true;
        } else if (!sub && inGroup) {
            line += ") \xc2\xb7 "; // U+00B7 MIDDLE DOT
            inGroup = false;
        } else if (i > 0) {
            line += sub ? ", " : " \xc2\xb7 ";
        }
        line += items.at(i).html;
    }
    if (inGroup)
        line += ')';
    return line + "</p>\n";
}

} // namespace

QByteArray rewritePageTop(const QByteArray &html)
{
    Element navigation;
    Element contents;
    Element title;
    Element header;
    HtmlTagReader reader(html);
    HtmlTag tag;
    while (reader.next(&tag)) {
        if (tag.closing)
            continue;
        if (!title.isValid()) {
            if (!navigation.isValid() && hasClass(html, tag, "navigationbar"))
                navigation = elementAt(html, tag);
            else if (!contents.isValid() && hasClass(html, tag, "toc"))
                contents = elementAt(html, tag);
            else if (tag.is("h1") && hasClass(html, tag, "title"))
                title = elementAt(html, tag);
            continue;
        }
        // A class's header table comes before its first section.
        if (tag.is("h2") || tag.is("h3"))
            break;
        if (tag.is("table") && hasClass(html, tag, "alignedsummary")) {
            header = elementAt(html, tag);
            break;
        }
    }
    if (!title.isValid() || (!navigation.isValid() && !contents.isValid()))
        return html;
    // Both blocks lie before the title, outside it and outside each other.
    for (const Element *e : {&navigation, &contents}) {
        if (e->isValid() && e->end > title.begin)
            return html;
    }
    if (navigation.isValid() && contents.isValid() && navigation.end > contents.begin
        && contents.end > navigation.begin)
        return html;

    const QList<ListItem> crumbs =
        navigation.isValid() ? listItems(html, navigation, true) : QList<ListItem>();
    const QList<ListItem> sections =
        contents.isValid() ? listItems(html, contents, false) : QList<ListItem>();
    const QByteArray crumbLine = crumbs.isEmpty() ? QByteArray() : breadcrumbLine(crumbs);
    const QByteArray sectionLine = sections.isEmpty() ? QByteArray() : contentsLine(sections);

    // On a class page the contents follow the header table; elsewhere the
    // title and the breadcrumb.
    const qsizetype contentsAt = header.isValid() ? header.end : title.end;
    QByteArray out;
    out.reserve(html.size());
    qsizetype copied = 0;
    const auto copyTo = [&](qsizetype to) {
        out.append(html.constData() + copied, to - copied);
        copied = to;
    };
    const Element *first = &navigation;
    const Element *second = &contents;
    if (!first->isValid() || (second->isValid() && second->begin < first->begin))
        std::swap(first, second);
    for (const Element *removed : {first, second}) {
        if (!removed->isValid())
            continue;
        copyTo(removed->begin);
        copied = removed->end;
        if (html.mid(copied, 1) == "\n")
            ++copied;
    }
    copyTo(title.end);
    if (html.mid(copied, 1) == "\n")
        copyTo(copied + 1);
    out += crumbLine;
    if (contentsAt == title.end)
        out += sectionLine;
    if (contentsAt != title.end) {
        copyTo(contentsAt);
        out += '\n' + sectionLine;
        if (html.mid(copied, 1) == "\n")
            ++copied;
    }
    copyTo(html.size());
    return out;
}

MarkupRules markupRulesFromStyleSheet(const QByteArray &css)
{
    MarkupRules rules;
    for (qsizetype at = 0; (at = css.indexOf('.', at)) >= 0; ++at) {
        qsizetype begin = at;
        while (begin > 0 && isAsciiAlpha(css[begin - 1]))
            --begin;
        const QByteArray element = css.mid(begin, at - begin).toLower();
        qsizetype end = at + 1;
        while (end < css.size() && (isAsciiAlnum(css[end]) || css[end] == '_' || css[end] == '-'))
            ++end;
        const QByteArray name = css.mid(at + 1, end - at - 1);
        if (element == "div")
            rules.divClasses.insert(name);
        else if (element == "span")
            rules.spanClasses.insert(name);
    }
    return rules;
}

QByteArray onlineBaseFromIndexUrl(const QString &url)
{
    QByteArray base = url.trimmed().toUtf8();
    if (base.startsWith("http:"))
        base.insert(4, 's');
    while (base.endsWith('/'))
        base.chop(1);
    return base;
}

QByteArray bareName(QByteArrayView link)
{
    qsizetype end = link.size();
    for (qsizetype i = 0; i < link.size(); ++i) {
        if (link[i] == '#' || link[i] == '?') {
            end = i;
            break;
        }
    }
    qsizetype begin = end;
    while (begin > 0 && link[begin - 1] != '/')
        --begin;
    return link.sliced(begin, end - begin).toByteArray();
}

QByteArray rewriteLink(QByteArrayView link, const LinkTargets &targets, LinkFate *fate)
{
    LinkFate scratch;
    LinkFate &result = fate ? *fate : scratch;
    result = LinkFate::Unchanged;
    if (link.isEmpty() || link[0] == '#' || link.startsWith("//") || hasScheme(link))
        return link.toByteArray();
    const QByteArray bare = bareName(link);
    if (bare.isEmpty())
        return link.toByteArray();
    qsizetype restBegin = link.size();
    for (qsizetype i = 0; i < link.size(); ++i) {
        if (link[i] == '#' || link[i] == '?') {
            restBegin = i;
            break;
        }
    }
    const QByteArrayView rest = link.sliced(restBegin);
    result = LinkFate::Local;
    const auto renamed = targets.renamed.constFind(bare);
    if (renamed != targets.renamed.cend())
        return renamed.value() + rest;
    if (targets.names.contains(bare))
        return bare + rest;
    // A page outside the set still exists online, under the same flat name.
    if (isOnlinePageName(bare) && !targets.onlineBase.isEmpty()) {
        result = LinkFate::External;
        return targets.onlineBase + '/' + bare + rest;
    }
    if (namesPage(bare)) {
        result = LinkFate::Removed;
        return QByteArray();
    }
    result = LinkFate::Unchanged;
    return link.toByteArray();
}

QByteArray rewritePage(const QByteArray &source, const LinkTargets &targets, RewriteLog *log)
{
    const QByteArray html = rewritePageTop(source);
    QByteArray out;
    out.reserve(html.size() + html.size() / 16);
    AnchorRenamer renamer(targets.anchors ? targets.anchors->page(targets.page) : nullptr);
    qsizetype copied = 0;
    HtmlTagReader reader(html);
    HtmlTag tag;
    // For each open <div> and <span>: whether its tags are being dropped.
    QVarLengthArray<bool, 32> divs;
    QVarLengthArray<bool, 32> spans;
    const auto drop = [&](const HtmlTag &dropped) {
        out.append(html.constData() + copied, dropped.begin - copied);
        copied = dropped.skipTo;
    };
    while (reader.next(&tag)) {
        if (tag.script) {
            // The scripts only swap style sheets in a web browser; ours has no use for them.
            drop(tag);
            continue;
        }
        const bool div = tag.is("div");
        if (targets.unwrap && (div || tag.is("span"))) {
            auto &open = div ? divs : spans;
            if (tag.closing) {
                if (!open.isEmpty()) {
                    const bool dropped = open.back();
                    open.pop_back();
                    if (dropped)
                        drop(tag);
                }
                continue;
            }
            const QSet<QByteArray> &styled =
                div ? targets.unwrap->divClasses : targets.unwrap->spanClasses;
            const bool wrapper = html[tag.end - 1] != '/'
                && isWrapper(html, tag, styled, div ? contentEndOf(html, tag) : 0);
            if (html[tag.end - 1] != '/')
                open.append(wrapper);
            if (wrapper) {
                drop(tag);
                count(log, &RewriteLog::unwrapped);
                continue;
            }
        }
        if (!tag.closing)
            rewriteTag(html, tag, targets, renamer, log, out, copied);
    }
    out.append(html.constData() + copied, html.size() - copied);
    return out;
}

} // namespace tarn::import
