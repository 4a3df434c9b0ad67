// Velmora: a long page cut into parts that parse one at a time.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pageparts.h"

#include <QVarLengthArray>

#include <algorithm>

namespace tarn {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':';
}

bool isVoid(QStringView name)
{
    static const char *const names[] = {"area", "base",  "br",   "col",  "embed",  "hr",
                                        "img",  "input", "link", "meta", "source", "wbr"};
    for (const char *n : names) {
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The elements a cut may lie in: anything else (a table, a list, a span)
// would open a second one when its start tag is parsed again.
bool mayHoldCut(QStringView name)
{
    return name.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("body"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("div"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0;
}

// The elements whose text a cut may fall in: a paragraph or a heading, the
// later part's text running on in the block the one before it left open.
bool isTextBlock(QStringView name)
{
    if (name.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0)
        return true;
    return name.size() == 2 && name.at(0).toLower() == u'h' && name.at(1) >= u'1'
        && name.at(1) <= u'6';
}

} // namespace

QString withoutAnchorNames(QStringView tag)
{
    // Each attribute " id=..." or " name=..." (any case, spaces around the
    // "=" allowed) goes with the white space before it. A value is quoted
    // with " or ', or runs to white space or ">"; an opening quote never
    // closed is the start of an unquoted value.
    const auto isSpace = [](QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    const auto skipSpaces = [&](qsizetype i) {
        while (i < tag.size() && isSpace(tag.at(i)))
            ++i;
        return i;
    };
    // The end of an attribute named at `at`, or -1.
    const auto attributeEnd = [&](qsizetype at) -> qsizetype {
        qsizetype i = at;
        if (tag.sliced(i).startsWith(u"id", Qt::CaseInsensitive))
            i += 2;
        else if (tag.sliced(i).startsWith(u"name", Qt::CaseInsensitive))
            i += 4;
        else
            return -1;
        i = skipSpaces(i);
        if (i >= tag.size() || tag.at(i) != u'=')
            return -1;
        i = skipSpaces(i + 1);
        if (i >= tag.size())
            return -1;
        const QChar quote = tag.at(i);
        if (quote == u'"' || quote == u'\'') {
            const qsizetype close = tag.indexOf(quote, i + 1);
            if (close >= 0)
                return close + 1;
        }
        const qsizetype start = i;
        while (i < tag.size() && !isSpace(tag.at(i)) && tag.at(i) != u'>')
            ++i;
        return i > start ? i : -1;
    };
    QString kept;
    kept.reserve(tag.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i + 1 < tag.size();) {
        if (isSpace(tag.at(i))) {
            if (const qsizetype end = attributeEnd(i + 1); end >= 0) {
                kept += tag.sliced(from, i - from);
                from = i = end;
                continue;
            }
        }
        ++i;
    }
    kept += tag.sliced(from);
    return kept;
}

namespace {

struct Open
{
    QStringView name;
    QStringView tag;
};

} // namespace

QList<PagePart> pageParts(QStringView html, qsizetype partLength, qsizetype firstLength)
{
    if (firstLength < 0)
        firstLength = partLength;
    QList<PagePart> parts;
    if (partLength <= 0 || html.size() < 2 * partLength)
        return parts;
    QVarLengthArray<Open, 32> open;
    // The page's style sheets, linked or written in it: a later part is
    // parsed on its own and must see them too.
    QString sheets;
    qsizetype lastCut = 0;
    const qsizetype size = html.size();
    qsizetype i = 0;
    while (i < size) {
        i = html.indexOf(u'<', i);
        if (i < 0)
            break;
        const QStringView rest = html.mid(i);
        if (rest.startsWith(QLatin1String("<!--"))) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
            i = end < 0 ? size : end + 3;
            continue;
        }
        if (rest.startsWith(QLatin1String("<!")) || rest.startsWith(QLatin1String("<?"))) {
            const qsizetype end = html.indexOf(u'>', i);
            i = end < 0 ? size : end + 1;
            continue;
        }
        const bool closing = rest.startsWith(QLatin1String("</"));
        qsizetype nameStart = i + (closing ? 2 : 1);
        qsizetype nameEnd = nameStart;
        while (nameEnd < size && isNameChar(html.at(nameEnd)))
            ++nameEnd;
        if (nameEnd == nameStart) { // a lone "<" in the text
            ++i;
            continue;
        }
        // The end of the tag, past any quoted attribute value.
        qsizetype end = nameEnd;
        QChar quote;
        while (end < size) {
            const QChar c = html.at(end);
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'>') {
                break;
            }
            ++end;
        }
        if (end >= size)
            break;
        const QStringView name = html.mid(nameStart, nameEnd - nameStart);
        const qsizetype after = end + 1;
        if (!closing && name.compare(QLatin1String("link"), Qt::CaseInsensitive) == 0)
            sheets += html.mid(i, after - i);
        i = after;
        if (closing) {
            for (qsizetype k = open.size() - 1; k >= 0; --k) {
                if (open.at(k).name.compare(name, Qt::CaseInsensitive) == 0) {
                    open.resize(k);
                    break;
                }
            }
            continue;
        }
        if (isVoid(name) || html.at(end - 1) == u'/')
            continue;
        if (name.compare(QLatin1String("script"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0) {
            const QString closer = QLatin1String("</") + name.toString();
            const qsizetype stop = html.indexOf(closer, after, Qt::CaseInsensitive);
            i = stop < 0 ? size : stop;
            if (stop >= 0 && name.compare(QLatin1String("style"), Qt::CaseInsensitive) == 0)
                sheets += html.mid(nameStart - 1, stop - (nameStart - 1)) + closer + u'>';
            continue;
        }
        open.append({name, html.mid(nameStart - 1, after - (nameStart - 1))});
        if (!isTextBlock(name))
            continue;
        // Just after the paragraph's first letter, when two letters follow its
        // tag: no white space or entity lies at the cut.
        const qsizetype cut = after + 1;
        if (cut - lastCut < (parts.isEmpty() ? firstLength : partLength)
            || size - cut < partLength / 2 || after + 1 >= size
            || !html.at(after).isLetterOrNumber() || !html.at(after + 1).isLetterOrNumber()) {
            continue;
        }
        bool plain = true;
        for (qsizetype k = 0; k < open.size() && plain; ++k) {
            const QStringView held = open.at(k).name;
            plain = k == open.size() - 1 ? isTextBlock(held) || mayHoldCut(held)
                                         : mayHoldCut(held) && !isTextBlock(held);
        }
        if (!plain)
            continue;
        PagePart part;
        part.start = cut;
        part.context = sheets;
        for (const Open &o : open)
            part.context += withoutAnchorNames(o.tag);
        parts.append(part);
        lastCut = cut;
    }
    return parts;
}

namespace {

// Whether a tag of that name starts at html[at], which is '<': "<pre>" or
// "<pre class=...>", case ignored, never "<prefix>".
bool isTagAt(QStringView html, qsizetype at, QLatin1String name)
{
    const qsizetype after = at + 1 + name.size();
    if (after >= html.size() || html.mid(at + 1, name.size()).compare(name, Qt::CaseInsensitive))
        return false;
    const QChar c = html.at(after);
    return c == u'>' || c == u'/' || c.isSpace();
}

// The characters a line of a code block shows: tags left out, a reference one.
qsizetype shownLength(QStringView line)
{
    qsizetype shown = 0;
    bool inTag = false;
    bool inReference = false;
    for (const QChar c : line) {
        if (inTag) {
            inTag = c != u'>';
        } else if (c == u'<') {
            inTag = true;
        } else if (inReference) {
            inReference = c != u';' && (c.isLetterOrNumber() || c == u'#');
            if (!inReference && c != u';')
                ++shown; // "&" that was no reference after all
        } else if (c == u'&') {
            inReference = true;
            ++shown;
        } else if (c != u'\r') {
            ++shown;
        }
    }
    return shown;
}

} // namespace

QString unwrappedContent(QStringView html)
{
    qsizetype from = 0;
    for (qsizetype at = html.indexOf(u'<'); at >= 0; at = html.indexOf(u'<', at + 1)) {
        if (isTagAt(html, at, QLatin1String("body"))) {
            const qsizetype end = html.indexOf(u'>', at);
            from = end < 0 ? 0 : end + 1;
            break;
        }
    }
    QString out = html.left(from).toString();
    // Laid out alone, every block of one kind starts at the same place: of
    // each kind, only the longest line counts.
    struct Longest
    {
        QStringView line;
        qsizetype shown = -1;
    };
    QList<QPair<QStringView, Longest>> code; // start tag -> its longest line
    QString images;
    for (qsizetype at = html.indexOf(u'<', from); at >= 0; at = html.indexOf(u'<', at + 1)) {
        const bool image = isTagAt(html, at, QLatin1String("img"));
        if (!image && !isTagAt(html, at, QLatin1String("pre")))
            continue;
        const qsizetype tagEnd = html.indexOf(u'>', at);
        if (tagEnd < 0)
            break;
        const QStringView tag = html.mid(at, tagEnd + 1 - at);
        if (image) {
            images += QLatin1String("<p>") + tag + QLatin1String("</p>");
            at = tagEnd;
            continue;
        }
        qsizetype close = html.indexOf(QLatin1String("</pre"), tagEnd, Qt::CaseInsensitive);
        if (close < 0)
            close = html.size();
        auto kind = std::find_if(code.begin(), code.end(),
                                 [tag](const auto &known) { return known.first == tag; });
        if (kind == code.end()) {
            code.append({tag, Longest()});
            kind = code.end() - 1;
        }
        const QStringView block = html.mid(tagEnd + 1, close - tagEnd - 1);
        for (qsizetype start = 0; start <= block.size();) {
            qsizetype end = block.indexOf(u'\n', start);
            if (end < 0)
                end = block.size();
            const QStringView line = block.mid(start, end - start);
            const qsizetype shown = shownLength(line);
            if (shown > kind->second.shown)
                kind->second = {line, shown};
            start = end + 1;
        }
        // Images inside the block are no images of their own.
        at = close;
    }
    for (const auto &kind : std::as_const(code))
        out += kind.first + kind.second.line + QLatin1String("</pre>");
    return out + images + QLatin1String("</body></html>");
}

} // namespace tarn
