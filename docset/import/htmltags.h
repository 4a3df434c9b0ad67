// Velmora: a reader of the tags of a reference page, enough for rewriting and scanning it.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVarLengthArray>

namespace tarn::import {

// The character classes of HTML markup, in ASCII only as markup is.
inline bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isAsciiAlnum(char c)
{
    return isAsciiAlpha(c) || (c >= '0' && c <= '9');
}

inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

struct HtmlAttribute
{
    QByteArrayView name;
    qsizetype begin = 0;       // first byte of the name
    qsizetype end = 0;         // one past the last byte, closing quote included
    qsizetype valueBegin = -1; // -1: an attribute without a value
    qsizetype valueEnd = -1;
};

struct HtmlTag
{
    qsizetype begin = 0; // the "<"
    qsizetype end = 0;   // the ">"
    QByteArrayView name;
    bool closing = false;
    bool script = false;  // a <script> tag: the reader has passed over its content
    qsizetype skipTo = 0; // one past the tag, or for a script past its closing tag
    QVarLengthArray<HtmlAttribute, 8> attributes;

    bool is(QByteArrayView tagName) const;
    // The value of the first attribute of that name; a null view when the
    // tag has none (an empty value is empty but not null).
    QByteArrayView value(const QByteArray &html, QByteArrayView attribute) const;
};

// Walks the tags of a page in order. Comments, the doctype and a "<" that
// starts no tag are passed over as text; a tag without its ">" ends the walk.
class HtmlTagReader
{
public:
    // Reads from `from` on, which must not be inside a tag.
    explicit HtmlTagReader(const QByteArray &html, qsizetype from = 0)
        : m_html(html)
        , m_pos(from)
    {
    }

    bool next(HtmlTag *tag);

private:
    const QByteArray &m_html;
    qsizetype m_pos;
};

bool equalsIgnoreCase(QByteArrayView a, QByteArrayView b);
qsizetype indexOfIgnoreCase(const QByteArray &hay, QByteArrayView needle, qsizetype from);

// The text of a piece of HTML: tags dropped, entities decoded. With
// `dropItalic` the content of <i> elements goes too (parameter names).
QString htmlText(QByteArrayView html, bool dropItalic = false);

} // namespace tarn::import
