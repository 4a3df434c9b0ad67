// Velmora: link and style-sheet rewriting of the imported reference pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagerewrite.h"

#include <QRegularExpression>

#include <QVarLengthArray>

namespace docimport {

namespace {

const QByteArray styleSheetName = QByteArrayLiteral("offline.css");

bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiAlnum(char c)
{
    return isAsciiAlpha(c) || (c >= '0' && c <= '9');
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char toLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (toLower(a[i]) != toLower(b[i]))
            return false;
    }
    return true;
}

qsizetype indexOfIgnoreCase(const QByteArray &hay, QByteArrayView needle, qsizetype from)
{
    const qsizetype last = hay.size() - needle.size();
    for (qsizetype i = from; i <= last; ++i) {
        if (equalsIgnoreCase(QByteArrayView(hay.constData() + i, needle.size()), needle))
            return i;
    }
    return -1;
}

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

// End of a tag: the ">" that is not inside a quoted attribute value.
qsizetype tagEnd(const QByteArray &html, qsizetype from)
{
    char quote = 0;
    for (qsizetype i = from; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return -1;
}

struct Attribute
{
    QByteArrayView name;
    qsizetype valueBegin = -1; // -1: attribute without a value
    qsizetype valueEnd = -1;
};

// Attributes of the tag whose name ends at `from` and which closes at `end`.
QVarLengthArray<Attribute, 8> parseAttributes(const QByteArray &html, qsizetype from, qsizetype end)
{
    QVarLengthArray<Attribute, 8> attributes;
    qsizetype i = from;
    while (i < end) {
        while (i < end && (isSpace(html[i]) || html[i] == '/'))
            ++i;
        const qsizetype nameBegin = i;
        while (i < end && !isSpace(html[i]) && html[i] != '=' && html[i] != '/')
            ++i;
        if (i == nameBegin) {
            ++i;
            continue;
        }
        Attribute attribute;
        attribute.name = QByteArrayView(html.constData() + nameBegin, i - nameBegin);
        qsizetype j = i;
        while (j < end && isSpace(html[j]))
            ++j;
        if (j < end && html[j] == '=') {
            ++j;
            while (j < end && isSpace(html[j]))
                ++j;
            if (j < end && (html[j] == '"' || html[j] == '\'')) {
                const char quote = html[j];
                attribute.valueBegin = j + 1;
                qsizetype k = attribute.valueBegin;
                while (k < end && html[k] != quote)
                    ++k;
                attribute.valueEnd = k;
                i = k + 1;
            } else {
                attribute.valueBegin = j;
                qsizetype k = j;
                while (k < end && !isSpace(html[k]))
                    ++k;
                attribute.valueEnd = k;
                i = k;
            }
        }
        attributes.append(attribute);
    }
    return attributes;
}

void rewriteTag(const QByteArray &html, qsizetype begin, qsizetype nameEnd, qsizetype end,
                QByteArrayView tagName, const LinkTargets &targets, QByteArray &out)
{
    const auto attributes = parseAttributes(html, nameEnd, end);
    bool styleSheetLink = false;
    if (equalsIgnoreCase(tagName, "link")) {
        for (const Attribute &a : attributes) {
            if (a.valueBegin >= 0 && equalsIgnoreCase(a.name, "rel")) {
                const QByteArray rel = html.mid(a.valueBegin, a.valueEnd - a.valueBegin).toLower();
                styleSheetLink = rel.contains("stylesheet");
            }
        }
    }
    qsizetype copied = begin;
    for (const Attribute &a : attributes) {
        if (a.valueBegin < 0)
            continue;
        if (!equalsIgnoreCase(a.name, "href") && !equalsIgnoreCase(a.name, "src"))
            continue;
        const QByteArrayView value(html.constData() + a.valueBegin, a.valueEnd - a.valueBegin);
        const QByteArray replaced = styleSheetLink ? styleSheetName : rewriteLink(value, targets);
        if (replaced == value)
            continue;
        out.append(html.constData() + copied, a.valueBegin - copied);
        out.append(replaced);
        copied = a.valueEnd;
    }
    out.append(html.constData() + copied, end + 1 - copied);
}

} // namespace

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

QByteArray rewriteLink(QByteArrayView link, const LinkTargets &targets)
{
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
    const auto renamed = targets.renamed.constFind(bare);
    if (renamed != targets.renamed.cend())
        return renamed.value() + rest;
    if (targets.names.contains(bare))
        return bare + rest;
    // A page outside the set still exists online, under the same flat name.
    if (bare.endsWith(".html") && !targets.onlineBase.isEmpty())
        return targets.onlineBase + '/' + bare + rest;
    return link.toByteArray();
}

QByteArray rewritePage(const QByteArray &html, const LinkTargets &targets)
{
    QByteArray out;
    out.reserve(html.size() + html.size() / 16);
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = html.indexOf('<', i);
        if (lt < 0) {
            out.append(html.constData() + i, n - i);
            break;
        }
        out.append(html.constData() + i, lt - i);
        if (html.mid(lt, 4) == "<!--") {
            const qsizetype close = html.indexOf("-->", lt + 4);
            const qsizetype end = close < 0 ? n : close + 3;
            out.append(html.constData() + lt, end - lt);
            i = end;
            continue;
        }
        qsizetype nameBegin = lt + 1;
        const bool closing = nameBegin < n && html[nameBegin] == '/';
        if (closing)
            ++nameBegin;
        qsizetype nameEnd = nameBegin;
        while (nameEnd < n && isAsciiAlnum(html[nameEnd]))
            ++nameEnd;
        if (nameEnd == nameBegin) {
            // "<!DOCTYPE", a stray "<": not a tag we touch.
            out.append('<');
            i = lt + 1;
            continue;
        }
        const qsizetype end = tagEnd(html, nameEnd);
        if (end < 0) {
            out.append(html.constData() + lt, n - lt);
            break;
        }
        const QByteArrayView tagName(html.constData() + nameBegin, nameEnd - nameBegin);
        if (equalsIgnoreCase(tagName, "script")) {
            // The scripts only swap style sheets in a web browser; ours has no use for them.
            qsizetype next = end + 1;
            if (!closing && html[end - 1] != '/') {
                const qsizetype close = indexOfIgnoreCase(html, "</script", end + 1);
                if (close >= 0) {
                    const qsizetype closeEnd = html.indexOf('>', close);
                    next = closeEnd < 0 ? n : closeEnd + 1;
                }
            }
            i = next;
            continue;
        }
        if (closing)
            out.append(html.constData() + lt, end + 1 - lt);
        else
            rewriteTag(html, lt, nameEnd, end, tagName, targets, out);
        i = end + 1;
    }
    return out;
}

namespace {

// A pixel size as a size relative to the page font. The style sheet's body
// text is 14px; relative keywords follow the reader's font and zoom instead.
QString relativeFontSize(int pixels)
{
    if (pixels <= 12)
        return QStringLiteral("small");
    if (pixels <= 15)
        return QStringLiteral("medium");
    if (pixels <= 18)
        return QStringLiteral("large");
    if (pixels <= 24)
        return QStringLiteral("x-large");
    return QStringLiteral("xx-large");
}

} // namespace

QByteArray scalableFonts(const QByteArray &css)
{
    QString text = QString::fromUtf8(css);

    // "font: normal 500 16px/1.2 Arial" becomes a weight and a relative size;
    // the family is dropped so the reader's page font applies.
    static const QRegularExpression shorthand(QStringLiteral("(?<![-\\w])font\\s*:\\s*([^;}]*)"));
    static const QRegularExpression pixelSize(QStringLiteral("^(\\d+)px(/\\S+)?$"));
    QString out;
    qsizetype last = 0;
    for (auto it = shorthand.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString weight;
        QString size;
        const QStringList tokens =
            match.captured(1).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        for (const QString &token : tokens) {
            const QRegularExpressionMatch px = pixelSize.match(token);
            if (px.hasMatch())
                size = relativeFontSize(px.captured(1).toInt());
            else if (token == u"bold" || (token.size() == 3 && token.at(0).isDigit()))
                weight = token;
        }
        QStringList declarations;
        if (!weight.isEmpty())
            declarations.append(QLatin1String("font-weight: ") + weight);
        if (!size.isEmpty() && size != u"medium")
            declarations.append(QLatin1String("font-size: ") + size);
        out += QStringView(text).mid(last, match.capturedStart() - last);
        out += declarations.isEmpty() ? QStringLiteral("font-weight: normal")
                                      : declarations.join(QLatin1String("; "));
        // Keep the blank that stood before the declaration's end.
        const QString value = match.captured(1);
        qsizetype trailing = value.size();
        while (trailing > 0 && value.at(trailing - 1).isSpace())
            --trailing;
        out += QStringView(value).mid(trailing);
        last = match.capturedEnd();
    }
    out += QStringView(text).mid(last);

    static const QRegularExpression sizeInPixels(QStringLiteral("font-size\\s*:\\s*(\\d+)px"));
    QString sized;
    last = 0;
    for (auto it = sizeInPixels.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        sized += QStringView(out).mid(last, match.capturedStart() - last);
        sized += QLatin1String("font-size: ") + relativeFontSize(match.captured(1).toInt());
        last = match.capturedEnd();
    }
    sized += QStringView(out).mid(last);

    // Proportional families give way to the page font; monospaced ones stay.
    static const QRegularExpression family(QStringLiteral("font-family\\s*:\\s*([^;}]*);?\\s*"));
    QString result;
    last = 0;
    for (auto it = family.globalMatch(sized); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString families = match.captured(1);
        const bool fixedPitch = families.contains(QLatin1String("mono"), Qt::CaseInsensitive)
            || families.contains(QLatin1String("courier"), Qt::CaseInsensitive);
        result += QStringView(sized).mid(last, match.capturedStart() - last);
        if (fixedPitch)
            result += match.captured(0);
        last = match.capturedEnd();
    }
    result += QStringView(sized).mid(last);
    return result.toUtf8();
}

QByteArray rewriteStyleSheet(const QByteArray &css)
{
    QByteArray out;
    out.reserve(css.size());
    qsizetype i = 0;
    while (true) {
        const qsizetype open = css.indexOf("url(", i);
        const qsizetype close = open < 0 ? -1 : css.indexOf(')', open);
        if (close < 0) {
            out.append(css.constData() + i, css.size() - i);
            break;
        }
        qsizetype begin = open + 4;
        qsizetype end = close;
        while (begin < end && isSpace(css[begin]))
            ++begin;
        while (end > begin && isSpace(css[end - 1]))
            --end;
        if (end - begin >= 2 && (css[begin] == '"' || css[begin] == '\'')
            && css[end - 1] == css[begin]) {
            ++begin;
            --end;
        }
        const QByteArrayView link(css.constData() + begin, end - begin);
        out.append(css.constData() + i, begin - i);
        if (link.isEmpty() || link[0] == '#' || hasScheme(link))
            out.append(link);
        else
            out.append(bareName(link));
        i = end;
    }
    // The breadcrumb's arrow is placed beside floated items in a web
    // browser; the page view cannot float them and would draw it over the text.
    out.replace("background: url(arrow_bc.png);", "");
    return scalableFonts(out);
}

} // namespace docimport
