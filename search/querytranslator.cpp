// Velmora: turns what the reader types into a full-text query that cannot fail.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "querytranslator.h"

#include "wordbreak.h"

#include <QCoreApplication>

#include <algorithm>

namespace tarn {

namespace {

struct Item
{
    SearchTerm term;
    bool negated = false;
};

// Control characters, format characters and unpaired surrogates become
// blanks; typographic double quotes pasted from a page become '"'.
QString sanitized(const QString &input)
{
    QString out;
    out.reserve(input.size());
    const qsizetype n = input.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = input.at(i);
        if (c.isHighSurrogate() && i + 1 < n && input.at(i + 1).isLowSurrogate()) {
            out += c;
            out += input.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        if (c.isSurrogate() || u < 0x20 || (u >= 0x7f && u <= 0x9f) || c.isSpace()
            || c.category() == QChar::Other_Format || c.category() == QChar::Other_NotAssigned)
            out += u' ';
        else if (u == 0x201c || u == 0x201d || u == 0x201e || u == 0x00ab || u == 0x00bb)
            out += u'"';
        else
            out += c;
    }
    return out;
}

int collectWord(void *context, const Word &word)
{
    static_cast<QStringList *>(context)->append(QString::fromUtf8(word.text, word.size));
    return 0;
}

QStringList wordsOf(const QString &text)
{
    QStringList words;
    const QByteArray utf8 = text.toUtf8();
    breakWords(utf8.constData(), int(utf8.size()), WordMode::Query, collectWord, &words);
    return words;
}

QString quoted(const SearchTerm &term)
{
    QString words = term.words.join(u' ');
    words.replace(u'"', QLatin1String("\"\""));
    return u'"' + words + u'"' + (term.prefix ? QLatin1String(" *") : QLatin1String());
}

QString tr(const char *text)
{
    return QCoreApplication::translate("tarn::SearchField", text);
}

} // namespace

TranslatedQuery translateQuery(const QString &input)
{
    const QString s = sanitized(input);
    const qsizetype n = s.size();

    QList<QList<Item>> groups; // AND of groups, OR within a group
    QList<Item> negatives;
    QString note;
    bool orPending = false;
    bool negateNext = false;
    // Something other than blanks was typed, even if nothing of it is a word.
    const bool sawText = !input.trimmed().isEmpty();
    int termCount = 0;
    int wordCount = 0;

    qsizetype i = 0;
    while (i < n) {
        if (s.at(i) == u' ') {
            ++i;
            continue;
        }
        bool negated = negateNext;
        negateNext = false;
        if (s.at(i) == u'-' && i + 1 < n && s.at(i + 1) != u' ') {
            negated = true;
            ++i;
        }
        QString text;
        bool prefix = false;
        if (s.at(i) == u'"') {
            qsizetype close = s.indexOf(u'"', i + 1);
            if (close < 0)
                close = n;
            text = s.mid(i + 1, close - i - 1);
            i = close < n ? close + 1 : n;
            while (i < n && s.at(i) == u'*') {
                prefix = true;
                ++i;
            }
        } else {
            qsizetype end = i;
            while (end < n && s.at(end) != u' ' && s.at(end) != u'"')
                ++end;
            text = s.mid(i, end - i);
            i = end;
            if (!negated && text == QLatin1String("OR")) {
                orPending = true;
                continue;
            }
            if (!negated && text == QLatin1String("AND"))
                continue;
            if (!negated && text == QLatin1String("NOT")) {
                negateNext = true;
                continue;
            }
            while (text.endsWith(u'*')) {
                text.chop(1);
                prefix = true;
            }
        }

        Item item;
        item.negated = negated;
        item.term.words = wordsOf(text);
        if (item.term.words.isEmpty()) {
            orPending = false;
            continue;
        }
        if (prefix && item.term.words.last().size() < minPrefixLength) {
            prefix = false;
            if (note.isEmpty())
                note = tr("Give at least two letters before *.");
        }
        item.term.prefix = prefix;

        if (termCount >= maxQueryTerms || wordCount + item.term.words.size() > maxQueryWords) {
            note = tr("Only the first %1 words were searched.").arg(wordCount);
            break;
        }
        const auto same = [&item](const Item &other) {
            return other.term == item.term && other.negated == item.negated;
        };
        bool duplicate = std::any_of(negatives.cbegin(), negatives.cend(), same);
        for (const QList<Item> &group : std::as_const(groups))
            duplicate = duplicate || std::any_of(group.cbegin(), group.cend(), same);
        if (duplicate) {
            orPending = false;
            continue;
        }
        ++termCount;
        wordCount += int(item.term.words.size());

        if (negated) {
            negatives.append(item);
        } else if (orPending && !groups.isEmpty()) {
            groups.last().append(item);
        } else {
            groups.append({item});
        }
        orPending = false;
    }

    TranslatedQuery query;
    if (groups.isEmpty()) {
        if (!negatives.isEmpty())
            query.note = tr("Add a word to search for: -word only leaves pages out.");
        else if (sawText)
            query.note = tr("Type a word to search for.");
        return query;
    }

    QStringList all;
    for (const QList<Item> &group : std::as_const(groups)) {
        QStringList alternatives;
        for (const Item &item : group) {
            alternatives.append(quoted(item.term));
            query.terms.append(item.term);
        }
        all.append(alternatives.size() == 1
                       ? alternatives.first()
                       : u'(' + alternatives.join(QLatin1String(" OR ")) + u')');
    }
    QString leftOut;
    if (!negatives.isEmpty()) {
        QStringList left;
        for (const Item &item : std::as_const(negatives))
            left.append(quoted(item.term));
        leftOut = QLatin1String(" NOT (") + left.join(QLatin1String(" OR ")) + u')';
    }
    const auto expression = [&leftOut](const QStringList &required) -> QString {
        const QString both = required.join(QLatin1String(" AND "));
        return leftOut.isEmpty() ? both : u'(' + both + u')' + leftOut;
    };
    query.expression = expression(all);
    if (all.size() >= 3) {
        for (qsizetype i = 0; i < all.size(); ++i) {
            QStringList others = all;
            others.removeAt(i);
            query.looser.append(expression(others));
        }
    }
    query.note = note;
    return query;
}

} // namespace tarn
