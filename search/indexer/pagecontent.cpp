// Velmora: the words of a page, as the full-text index takes them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagecontent.h"

#include "pagetext.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>

namespace tarn {

namespace {

struct Entity
{
    const char *name;
    char32_t code;
};

// The named references that pages use, and the common ones beside them.
// An unknown name is dropped, never kept as a word.
const Entity entities[] = {
    {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},
    {"apos", '\''},     {"nbsp", 0xa0},     {"copy", 0xa9},     {"reg", 0xae},
    {"trade", 0x2122},  {"hellip", 0x2026}, {"mdash", 0x2014},  {"ndash", 0x2013},
    {"lsquo", 0x2018},  {"rsquo", 0x2019},  {"ldquo", 0x201c},  {"rdquo", 0x201d},
    {"laquo", 0xab},    {"raquo", 0xbb},    {"middot", 0xb7},   {"bull", 0x2022},
    {"times", 0xd7},    {"divide", 0xf7},   {"deg", 0xb0},      {"plusmn", 0xb1},
    {"micro", 0xb5},    {"para", 0xb6},     {"sect", 0xa7},     {"shy", 0xad},
    {"euro", 0x20ac},   {"pound", 0xa3},    {"yen", 0xa5},      {"cent", 0xa2},
    {"larr", 0x2190},   {"rarr", 0x2192},   {"uarr", 0x2191},   {"darr", 0x2193},
    {"harr", 0x2194},   {"le", 0x2264},     {"ge", 0x2265},     {"ne", 0x2260},
    {"asymp", 0x2248},  {"infin", 0x221e},  {"minus", 0x2212},  {"thinsp", 0x2009},
    {"ensp", 0x2002},   {"emsp", 0x2003},   {"zwnj", 0x200c},   {"zwj", 0x200d},
    {"frac12", 0xbd},   {"frac14", 0xbc},   {"frac34", 0xbe},   {"sup2", 0xb2},
    {"sup3", 0xb3},     {"iexcl", 0xa1},    {"iquest", 0xbf},   {"auml", 0xe4},
    {"ouml", 0xf6},     {"uuml", 0xfc},     {"Auml", 0xc4},     {"Ouml", 0xd6},
    {"Uuml", 0xdc},     {"szlig", 0xdf},    {"eacute", 0xe9},   {"egrave", 0xe8},
    {"ecirc", 0xea},    {"aacute", 0xe1},   {"agrave", 0xe0},   {"acirc", 0xe2},
    {"oacute", 0xf3},   {"ograve", 0xf2},   {"ocirc", 0xf4},    {"uacute", 0xfa},
    {"ugrave", 0xf9},   {"iacute", 0xed},   {"ccedil", 0xe7},   {"ntilde", 0xf1},
    {"aring", 0xe5},    {"Aring", 0xc5},    {"oslash", 0xf8},   {"Oslash", 0xd8},
    {"aelig", 0xe6},    {"AElig", 0xc6},    {"Eacute", 0xc9},   {"alpha", 0x3b1},
    {"beta", 0x3b2},    {"gamma", 0x3b3},   {"delta", 0x3b4},   {"pi", 0x3c0},
    {"mu", 0x3bc},      {"sigma", 0x3c3},   {"omega", 0x3c9},   {"sum", 0x2211},
    {"prod", 0x220f},   {"radic", 0x221a},  {"lowast", 0x2217}, {"prime", 0x2032},
    {"dagger", 0x2020}, {"loz", 0x25ca},    {"check", 0x2713},  {"hearts", 0x2665},
};

// Elements that sit inside a word's line without breaking it.
bool isInline(const QString &tag)
{
    static const char *const names[] = {
        "a",      "abbr", "acronym", "b",  "big", "cite", "code",  "dfn",  "em",
        "font",   "i",    "kbd",     "q",  "s",   "samp", "small", "span", "strike",
        "strong", "sub",  "sup",     "tt", "u",   "var",  "wbr"};
    return std::any_of(std::begin(names), std::end(names),
                       [&tag](const char *name) { return tag == QLatin1String(name); });
}

// Blocks that every page of a set repeats: the breadcrumbs, the contents
// side bar (it repeats the headings) and the footer.
bool isRepeatedBlock(const QString &classes)
{
    static const char *const names[] = {"navigationbar", "sidebar", "toc", "footer"};
    for (const QString &cls : classes.split(u' ', Qt::SkipEmptyParts)) {
        for (const char *name : names) {
            if (cls == QLatin1String(name))
                return true;
        }
    }
    return false;
}

int lineAt(const QString &text, qsizetype pos)
{
    return int(std::count(text.cbegin(), text.cbegin() + pos, u'\n')) + 1;
}

// Appends text with its white space run together.
class Field
{
public:
    explicit Field(QString *out)
        : m_out(out)
    {
    }

    void append(QChar c)
    {
        const char16_t u = c.unicode();
        const bool blank = c.isSpace() || u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0xa0;
        if (blank) {
            m_pendingBlank = !m_out->isEmpty();
            return;
        }
        if (m_pendingBlank) {
            m_out->append(u' ');
            m_pendingBlank = false;
        }
        m_out->append(c);
    }
    void append(char32_t c)
    {
        if (c > 0xffff) {
            const QChar pair[2] = {QChar::highSurrogate(c), QChar::lowSurrogate(c)};
            append(pair[0]);
            m_out->append(pair[1]);
        } else {
            append(QChar(char16_t(c)));
        }
    }
    void breakWord() { m_pendingBlank = !m_out->isEmpty(); }

private:
    QString *m_out;
    bool m_pendingBlank = false;
};

struct Tag
{
    QString name; // lower case, without '/'
    bool closing = false;
    QString classes;
};

// Parses the tag whose '<' is at s[start] and ends at s[end] (the '>').
Tag parseTag(const QString &s, qsizetype start, qsizetype end)
{
    Tag tag;
    qsizetype i = start + 1;
    if (i < end && s.at(i) == u'/') {
        tag.closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < end && (s.at(i).isLetterOrNumber() || s.at(i) == u'-'))
        ++i;
    tag.name = s.mid(nameStart, i - nameStart).toLower();
    if (tag.closing)
        return tag;
    // class="…" or class='…'
    const QString attributes = s.mid(i, end - i);
    qsizetype at = 0;
    while ((at = attributes.indexOf(QLatin1String("class"), at, Qt::CaseInsensitive)) >= 0) {
        qsizetype k = at + 5;
        const bool wordStart = at == 0 || !attributes.at(at - 1).isLetterOrNumber();
        while (k < attributes.size() && attributes.at(k) == u' ')
            ++k;
        if (wordStart && k < attributes.size() && attributes.at(k) == u'=') {
            ++k;
            while (k < attributes.size() && attributes.at(k) == u' ')
                ++k;
            if (k < attributes.size() && (attributes.at(k) == u'"' || attributes.at(k) == u'\'')) {
                const QChar quote = attributes.at(k);
                const qsizetype close = attributes.indexOf(quote, k + 1);
                if (close > k)
                    tag.classes = attributes.mid(k + 1, close - k - 1);
            }
            break;
        }
        at = k;
    }
    return tag;
}

// The end of the tag starting at s[start], '>' outside quoted attribute
// values; -1 when the file ends first.
qsizetype tagEnd(const QString &s, qsizetype start)
{
    QChar quote;
    for (qsizetype i = start + 1; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if ((c == u'"' || c == u'\'') && i > 0 && s.at(i - 1) == u'=') {
            quote = c;
        } else if (c == u'>') {
            return i;
        }
    }
    return -1;
}

// Decodes the reference at s[i] == '&'; returns the length taken (0 when it
// is no reference: the '&' is then text) and the character, 0 for one that
// is dropped.
qsizetype decodeReference(const QString &s, qsizetype i, char32_t *out)
{
    const qsizetype limit = std::min<qsizetype>(s.size(), i + 34);
    qsizetype end = i + 1;
    while (end < limit && s.at(end) != u';' && (s.at(end).isLetterOrNumber() || s.at(end) == u'#'))
        ++end;
    if (end >= limit || s.at(end) != u';' || end == i + 1)
        return 0;
    const QString name = s.mid(i + 1, end - i - 1);
    *out = 0;
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X')
            ? name.mid(2).toUInt(&ok, 16)
            : name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10ffff && !(code >= 0xd800 && code <= 0xdfff))
            *out = char32_t(code);
    } else {
        for (const Entity &entity : entities) {
            if (name == QLatin1String(entity.name)) {
                *out = entity.code;
                break;
            }
        }
    }
    return end - i + 1;
}

} // namespace

bool extractPageText(const QByteArray &bytes, PageText *text, QString *problem)
{
    *text = PageText();
    if (const char *nul =
            static_cast<const char *>(std::memchr(bytes.constData(), 0, size_t(bytes.size())))) {
        *problem = QStringLiteral("a NUL byte at offset %1").arg(nul - bytes.constData());
        return false;
    }
    const QString s = tarn::decodePageText(bytes, problem);
    if (!problem->isEmpty())
        return false;

    QString title;
    Field titleField(&title);
    Field headings(&text->headings);
    Field body(&text->body);
    Field code(&text->code);
    Field summary(&text->summary);
    // The first <p> that holds words; an empty one is passed over.
    enum { BeforeSummary, InSummary, AfterSummary } summaryState = BeforeSummary;

    bool inTitle = false;
    qsizetype titleStart = 0;
    int headingDepth = 0;
    int preDepth = 0;
    bool inHead = false;
    // A repeated block is left out up to the end tag that matches its start.
    QString skipTag;
    int skipDepth = 0;

    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s.at(i);
        if (c == u'<' && i + 1 < n) {
            const QChar next = s.at(i + 1);
            if (s.mid(i, 4) == QLatin1String("<!--")) {
                const qsizetype close = s.indexOf(QLatin1String("-->"), i + 4);
                if (close < 0) {
                    *problem =
                        QStringLiteral("a comment opened on line %1 never ends").arg(lineAt(s, i));
                    return false;
                }
                i = close + 3;
                continue;
            }
            if (next.isLetter() || next == u'/' || next == u'!' || next == u'?') {
                const qsizetype end = tagEnd(s, i);
                if (end < 0) {
                    *problem =
                        QStringLiteral("a tag opened on line %1 never ends").arg(lineAt(s, i));
                    return false;
                }
                const Tag tag = parseTag(s, i, end);
                i = end + 1;
                if (tag.name.isEmpty())
                    continue; // <!DOCTYPE …>, <?xml …?>

                if (!tag.closing
                    && (tag.name == QLatin1String("script")
                        || tag.name == QLatin1String("style"))) {
                    const QString close = QLatin1String("</") + tag.name;
                    const qsizetype stop = s.indexOf(close, i, Qt::CaseInsensitive);
                    if (stop < 0) {
                        *problem = QStringLiteral("a <%1> opened on line %2 never ends")
                                       .arg(tag.name)
                                       .arg(lineAt(s, end));
                        return false;
                    }
                    const qsizetype stopEnd = tagEnd(s, stop);
                    i = stopEnd < 0 ? n : stopEnd + 1;
                    continue;
                }
                if (!skipTag.isEmpty()) {
                    if (tag.name == skipTag) {
                        skipDepth += tag.closing ? -1 : 1;
                        if (skipDepth == 0)
                            skipTag.clear();
                    }
                    continue;
                }
                if (!tag.closing && isRepeatedBlock(tag.classes)) {
                    skipTag = tag.name;
                    skipDepth = 1;
                    continue;
                }

                if (tag.name == QLatin1String("head")) {
                    inHead = !tag.closing;
                } else if (tag.name == QLatin1String("title")) {
                    if (!tag.closing && !inTitle) {
                        inTitle = true;
                        titleStart = end;
                    } else if (tag.closing) {
                        inTitle = false;
                    }
                } else if (tag.name.size() == 2 && tag.name.at(0) == u'h' && tag.name.at(1) >= u'1'
                           && tag.name.at(1) <= u'6') {
                    headingDepth = std::max(0, headingDepth + (tag.closing ? -1 : 1));
                    headings.breakWord();
                } else if (tag.name == QLatin1String("pre")) {
                    preDepth = std::max(0, preDepth + (tag.closing ? -1 : 1));
                    code.breakWord();
                }
                if (!isInline(tag.name)) {
                    if (summaryState == InSummary)
                        summaryState = text->summary.isEmpty() ? BeforeSummary : AfterSummary;
                    if (summaryState == BeforeSummary && !tag.closing && !inHead
                        && headingDepth == 0 && preDepth == 0 && tag.name == QLatin1String("p"))
                        summaryState = InSummary;
                    body.breakWord();
                    code.breakWord();
                    headings.breakWord();
                }
                continue;
            }
        }

        char32_t ch = c.unicode();
        qsizetype taken = 1;
        if (c == u'&') {
            char32_t decoded = 0;
            const qsizetype length = decodeReference(s, i, &decoded);
            if (length > 0) {
                taken = length;
                ch = decoded;
            }
        } else if (c.isHighSurrogate() && i + 1 < n && s.at(i + 1).isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(c, s.at(i + 1));
            taken = 2;
        }
        i += taken;
        if (!skipTag.isEmpty())
            continue;
        Field *field = inTitle ? &titleField
            : inHead           ? nullptr
            : headingDepth > 0 ? &headings
            : preDepth > 0     ? &code
                               : &body;
        if (!field)
            continue;
        if (ch == 0) {
            field->breakWord();
            continue;
        }
        field->append(ch);
        if (field == &body && summaryState == InSummary)
            summary.append(ch);
    }
    if (inTitle) {
        *problem =
            QStringLiteral("the title opened on line %1 never ends").arg(lineAt(s, titleStart));
        return false;
    }

    // "QString Class | Qt Core 5.15.8": the part after the bar is the same
    // on every page of a module and would make every title match "qt".
    const qsizetype bar = title.lastIndexOf(QLatin1String(" | "));
    text->title = bar > 0 ? title.left(bar).trimmed() : title;
    return true;
}

QString fileNameWords(const QString &fileName)
{
    QString words = QFileInfo(fileName).completeBaseName();
    for (QChar &c : words) {
        if (!c.isLetterOrNumber())
            c = u' ';
    }
    return words.simplified();
}

QString classNameWords(const QString &className)
{
    QStringView name(className);
    if (const qsizetype scope = name.lastIndexOf(QLatin1String("::")); scope >= 0)
        name = name.mid(scope + 2);
    if (name.size() > 1 && name.at(0) == u'Q' && name.at(1).isUpper())
        name = name.mid(1);
    QString words;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (!c.isLetterOrNumber()) {
            words += u' ';
            continue;
        }
        // A word starts at a capital after a small letter or a digit
        // ("elapsed|Timer"), and at the last capital of a run that a small
        // letter follows ("IO|Device").
        const bool afterSmall = i > 0 && (name.at(i - 1).isLower() || name.at(i - 1).isDigit());
        const bool endsRun =
            i > 0 && name.at(i - 1).isUpper() && i + 1 < name.size() && name.at(i + 1).isLower();
        if (c.isUpper() && (afterSmall || endsRun))
            words += u' ';
        words += c.toLower();
    }
    return words.simplified();
}

} // namespace tarn
