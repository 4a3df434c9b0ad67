// Velmora: the sentence a reference page gives a class or member, as plain text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagebrief.h"

#include "pagecontent.h"

namespace tarn::desktop {

namespace {

// How far a heading, and a paragraph, may reach: the reference's longest
// signatures and first paragraphs stay well inside it.
constexpr qsizetype maxElementLength = 4096;
// Paragraphs looked at past the heading before giving up.
constexpr int maxParagraphs = 4;

// The plain text of some markup: tags out, references decoded, white space
// run together, as the full-text index reads pages.
QString plainText(QStringView markup)
{
    PageText text;
    QString problem;
    const QByteArray page = QByteArrayLiteral("<meta charset=\"utf-8\">") + markup.toUtf8();
    if (!extractPageText(page, &text, &problem))
        return QString();
    return text.body;
}

// Index just past the end of the element that starts at `at` with `<name`,
// or -1.
qsizetype elementEnd(QStringView html, qsizetype at, QStringView name)
{
    const QString close = QLatin1String("</") + name + u'>';
    const qsizetype end = html.mid(at, maxElementLength).indexOf(close);
    return end < 0 ? -1 : at + end + close.size();
}

qsizetype skipBlanksAndComments(QStringView html, qsizetype at)
{
    while (at < html.size()) {
        if (html[at].isSpace()) {
            ++at;
        } else if (html.mid(at, 4) == u"<!--") {
            const qsizetype close = html.indexOf(u"-->", at + 4);
            if (close < 0)
                return html.size();
            at = close + 3;
        } else {
            break;
        }
    }
    return at;
}

bool isHeadingAt(QStringView html, qsizetype at)
{
    return at + 3 < html.size() && html[at] == u'<' && html[at + 1] == u'h' && html[at + 2] >= u'1'
        && html[at + 2] <= u'6' && (html[at + 3] == u'>' || html[at + 3] == u' ');
}

// Paragraphs that say nothing of the member itself: notes ("<b>Note:</b>"),
// and the line every overload starts with, which stands in only when the
// overload has nothing more to say.
bool isNote(QStringView paragraph)
{
    return paragraph.startsWith(u"<p><b>");
}

bool isOverloadLine(const QString &text)
{
    return text.startsWith(QLatin1String("This is an overloaded"))
        || text.startsWith(QLatin1String("This function overloads"));
}

// The markup of the paragraph's first sentence: up to the first full stop
// outside a tag that ends the text or comes before white space. The pages
// write the stops that end no sentence ("i.e.") as "&#x2e;".
QStringView firstSentence(QStringView paragraph)
{
    bool inTag = false;
    for (qsizetype i = 0; i < paragraph.size(); ++i) {
        const QChar c = paragraph[i];
        if (c == u'<')
            inTag = true;
        else if (c == u'>')
            inTag = false;
        else if (!inTag && c == u'.' && (i + 1 == paragraph.size() || paragraph[i + 1].isSpace()))
            return paragraph.left(i + 1);
    }
    return paragraph;
}

QString capped(QString text)
{
    if (text.size() <= maxBriefLength)
        return text;
    qsizetype cut = text.lastIndexOf(u' ', maxBriefLength - 1);
    if (cut < maxBriefLength / 2)
        cut = maxBriefLength - 1;
    return text.left(cut) + QChar(0x2026);
}

} // namespace

QString pageBrief(QStringView html, QStringView anchor)
{
    // Where the heading starts: the one carrying the anchor, else the title.
    qsizetype heading = -1;
    if (anchor.isEmpty()) {
        heading = html.indexOf(u"<h1");
    } else {
        const QString id = QLatin1String(" id=\"") + anchor + u'"';
        const QString name = QLatin1String(" name=\"") + anchor + u'"';
        qsizetype at = html.indexOf(id);
        if (at < 0)
            at = html.indexOf(name);
        if (at >= 0)
            heading = html.left(at).lastIndexOf(u"<h");
        if (heading >= 0 && !isHeadingAt(html, heading))
            heading = -1;
    }
    if (heading < 0)
        return QString();

    // Past that heading and any that share its text (overloads documented
    // together), to the first paragraph that says something of its own.
    qsizetype at = heading;
    int paragraphs = 0;
    QString overloadLine;
    while (at >= 0 && at < html.size()) {
        if (isHeadingAt(html, at)) {
            if (at != heading && paragraphs > 0)
                break; // the next member's documentation
            at = elementEnd(html, at, html.mid(at + 1, 2));
        } else if (html.mid(at, 3) == u"<p>" || html.mid(at, 3) == u"<p ") {
            const qsizetype end = elementEnd(html, at, u"p");
            if (end < 0)
                break;
            const QStringView paragraph = html.mid(at, end - at);
            if (!isNote(paragraph)) {
                const QString text = plainText(firstSentence(paragraph));
                if (!isOverloadLine(text) && !text.isEmpty())
                    return capped(text);
                if (overloadLine.isEmpty())
                    overloadLine = text;
            }
            if (++paragraphs >= maxParagraphs)
                break;
            at = end;
        } else {
            break;
        }
        if (at >= 0)
            at = skipBlanksAndComments(html, at);
    }
    return capped(overloadLine);
}

QString pageTitle(QStringView html)
{
    const qsizetype close = html.indexOf(u"</title>");
    if (close < 0 || close > maxElementLength * 4)
        return QString();
    PageText text;
    QString problem;
    const QByteArray head =
        QByteArrayLiteral("<meta charset=\"utf-8\">") + html.left(close + 8).toUtf8();
    if (!extractPageText(head, &text, &problem))
        return QString();
    return capped(text.title);
}

} // namespace tarn::desktop
