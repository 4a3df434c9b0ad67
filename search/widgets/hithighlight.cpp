// Velmora: marks the hits of a search in the page shown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "hithighlight.h"

#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace tarn {

namespace {

const QLatin1String wordChar("[\\p{L}\\p{N}\\p{M}_]");
const QLatin1String notWordChar("[^\\p{L}\\p{N}\\p{M}_]");
constexpr int maxMarks = 5000;

QString wordPattern(const QString &word)
{
    // "operator<<" is written "operator<<" or "operator <<".
    if (word.size() > 8 && word.startsWith(QLatin1String("operator"))
        && !word.at(8).isLetterOrNumber() && word.at(8) != u'_')
        return QLatin1String("operator[ \\t]*") + QRegularExpression::escape(word.mid(8));
    return QRegularExpression::escape(word);
}

} // namespace

QRegularExpression hitPattern(const QList<SearchTerm> &terms)
{
    QStringList alternatives;
    for (const SearchTerm &term : terms) {
        if (term.words.isEmpty())
            continue;
        QStringList words;
        for (const QString &word : term.words)
            words.append(wordPattern(word));
        QString pattern =
            QLatin1String("(?<!") + wordChar + u')' + words.join(notWordChar + QLatin1String("+"));
        // A compound operator ends in punctuation, so no boundary is asked.
        const QString &last = term.words.last();
        if (term.prefix)
            pattern += wordChar + QLatin1String("*");
        else if (last.at(last.size() - 1).isLetterOrNumber() || last.endsWith(u'_'))
            pattern += QLatin1String("(?!") + wordChar + u')';
        alternatives.append(pattern);
    }
    if (alternatives.isEmpty())
        return QRegularExpression();
    // Longer alternatives first, so a phrase wins over a word it starts with.
    std::sort(alternatives.begin(), alternatives.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    return QRegularExpression(alternatives.join(u'|'),
                              QRegularExpression::CaseInsensitiveOption
                                  | QRegularExpression::UseUnicodePropertiesOption);
}

QTextCharFormat hitMarkFormat(const QPalette &palette)
{
    QTextCharFormat format;
    if (palette.color(QPalette::Base).lightness() < 128) {
        format.setBackground(QColor(0x6b, 0x52, 0x00));
        format.setForeground(QColor(0xff, 0xff, 0xff));
    } else {
        format.setBackground(QColor(0xff, 0xe0, 0x6b));
        format.setForeground(Qt::black);
    }
    return format;
}

int highlightHits(QTextEdit *view, const QList<SearchTerm> &terms, HitScroll scroll)
{
    QList<QTextEdit::ExtraSelection> marks;
    const QRegularExpression pattern = hitPattern(terms);
    QTextDocument *document = view->document();
    if (pattern.isValid() && !pattern.pattern().isEmpty()) {
        const QTextCharFormat format = hitMarkFormat(view->palette());
        for (QTextBlock block = document->begin(); block.isValid() && marks.size() < maxMarks;
             block = block.next()) {
            QRegularExpressionMatchIterator it = pattern.globalMatch(block.text());
            while (it.hasNext() && marks.size() < maxMarks) {
                const QRegularExpressionMatch match = it.next();
                if (match.capturedLength() == 0)
                    continue;
                QTextCursor cursor(document);
                cursor.setPosition(block.position() + int(match.capturedStart()));
                cursor.setPosition(block.position() + int(match.capturedEnd()),
                                   QTextCursor::KeepAnchor);
                marks.append({cursor, format});
            }
        }
    }
    view->setExtraSelections(marks);
    if (!marks.isEmpty()) {
        // The marks belong to this page: the next change of the document,
        // another page or this one loaded again, takes them away.
        QObject::connect(
            document, &QTextDocument::contentsChanged, view,
            [view] { view->setExtraSelections({}); }, Qt::SingleShotConnection);
        if (scroll == HitScroll::Stay)
            return int(marks.size());
        // Lay the whole page out first: the hit may lie far below what the
        // view has laid out so far.
        document->size();
        const QRect hit = view->cursorRect(marks.first().cursor);
        QScrollBar *bar = view->verticalScrollBar();
        bar->setValue(bar->value() + hit.top() - view->viewport()->height() / 4);
    }
    return int(marks.size());
}

} // namespace tarn
