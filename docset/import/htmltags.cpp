// Velmora: a reader of the tags of a reference page, enough for rewriting and scanning it.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "htmltags.h"

namespace tarn::import {

namespace {

char toLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
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

// Attributes of the tag whose name ends at `from` and which closes at `end`.
void parseAttributes(const QByteArray &html, qsizetype from, qsizetype end,
                     QVarLengthArray<HtmlAttribute, 8> &attributes)
{
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
        HtmlAttribute attribute;
        attribute.name = QByteArrayView(html.constData() + nameBegin, i - nameBegin);
        attribute.begin = nameBegin;
        attribute.end = i;
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
            attribute.end = qMin(i, end);
        }
        attributes.append(attribute);
    }
}

void appendEntity(QStringView entity, QString &out)
{
    if (entity.startsWith(u'#')) {
        bool ok = false;
        const uint code = entity.size() > 1 && (entity.at(1) == u'x' || entity.at(1) == u'X')
            ? entity.mid(2).toUInt(&ok, 16)
            : entity.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF) {
            const char32_t c = code;
            out += QString::fromUcs4(&c, 1);
            return;
        }
    } else if (entity == u"lt") {
        out += u'<';
        return;
    } else if (entity == u"gt") {
        out += u'>';
        return;
    } else if (entity == u"amp") {
        out += u'&';
        return;
    } else if (entity == u"quot") {
        out += u'"';
        return;
    } else if (entity == u"apos") {
        out += u'\'';
        return;
    } else if (entity == u"nbsp") {
        out += u' ';
        return;
    }
    out += u'&' + entity.toString() + u';';
}

} // namespace

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

bool HtmlTag::is(QByteArrayView tagName) const
{
    return equalsIgnoreCase(name, tagName);
}

QByteArrayView HtmlTag::value(const QByteArray &html, QByteArrayView attribute) const
{
    for (const HtmlAttribute &a : attributes) {
        if (equalsIgnoreCase(a.name, attribute)) {
            if (a.valueBegin < 0)
                return QByteArrayView(html.constData() + a.end, 0);
            return QByteArrayView(html.constData() + a.valueBegin, a.valueEnd - a.valueBegin);
        }
    }
    return QByteArrayView();
}

bool HtmlTagReader::next(HtmlTag *tag)
{
    const QByteArray &html = m_html;
    const qsizetype n = html.size();
    while (m_pos < n) {
        const qsizetype lt = html.indexOf('<', m_pos);
        if (lt < 0) {
            m_pos = n;
            return false;
        }
        if (html.mid(lt, 4) == "<!--") {
            const qsizetype close = html.indexOf("-->", lt + 4);
            m_pos = close < 0 ? n : close + 3;
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
            // "<!DOCTYPE", a stray "<": text, not a tag.
            m_pos = lt + 1;
            continue;
        }
        const qsizetype end = tagEnd(html, nameEnd);
        if (end < 0) {
            m_pos = n;
            return false;
        }
        tag->begin = lt;
        tag->end = end;
        tag->name = QByteArrayView(html.constData() + nameBegin, nameEnd - nameBegin);
        tag->closing = closing;
        tag->attributes.clear();
        if (!closing)
            parseAttributes(html, nameEnd, end, tag->attributes);
        tag->script = tag->is("script");
        tag->skipTo = end + 1;
        if (tag->script && !closing && html[end - 1] != '/') {
            const qsizetype close = indexOfIgnoreCase(html, "</script", end + 1);
            if (close >= 0) {
                const qsizetype closeEnd = html.indexOf('>', close);
                tag->skipTo = closeEnd < 0 ? n : closeEnd + 1;
            }
        }
        m_pos = tag->skipTo;
        return true;
    }
    return false;
}

QString htmlText(QByteArrayView html, bool dropItalic)
{
    QString out;
    int italic = 0;
    qsizetype i = 0;
    const qsizetype n = html.size();
    while (i < n) {
        const char c = html[i];
        if (c == '<') {
            qsizetype end = i + 1;
            while (end < n && html[end] != '>')
                ++end;
            const QByteArrayView inside = html.sliced(i + 1, qMin(end, n) - i - 1);
            if (dropItalic) {
                if (equalsIgnoreCase(inside, "i"))
                    ++italic;
                else if (equalsIgnoreCase(inside, "/i") && italic > 0)
                    --italic;
            }
            i = end + 1;
            continue;
        }
        if (italic > 0) {
            ++i;
            continue;
        }
        if (c == '&') {
            qsizetype semi = i + 1;
            while (semi < n && semi - i <= 10 && (isAsciiAlnum(html[semi]) || html[semi] == '#'))
                ++semi;
            if (semi < n && html[semi] == ';' && semi > i + 1) {
                appendEntity(QString::fromLatin1(html.sliced(i + 1, semi - i - 1)), out);
                i = semi + 1;
                continue;
            }
        }
        // Multi-byte UTF-8 sequences pass through whole.
        qsizetype run = i + 1;
        while (run < n && html[run] != '<' && html[run] != '&')
            ++run;
        out += QString::fromUtf8(html.sliced(i, run - i));
        i = run;
    }
    return out;
}

} // namespace tarn::import
