// Velmora: what the desktop's search sends on the bus, checked before it is looked up.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "busterms.h"

#include "commandline.h"

namespace tarn::desktop {

namespace {

bool isAcceptableTerm(QStringView term)
{
    if (term.size() > maxTermLength || !term.isValidUtf16())
        return false;
    for (const QChar c : term) {
        // Tabs and line ends are blanks like any other; other controls are no text.
        if ((c.category() == QChar::Other_Control && !c.isSpace()) || c.isNonCharacter())
            return false;
    }
    return true;
}

} // namespace

std::optional<QString> lookupText(const QStringList &terms)
{
    if (terms.size() > maxTerms)
        return std::nullopt;
    QStringList kept;
    for (const QString &term : terms) {
        if (!isAcceptableTerm(term))
            return std::nullopt;
        const QString simple = term.simplified();
        if (simple.isEmpty())
            continue;
        if (cli::isLink(simple))
            return std::nullopt;
        kept.append(simple);
    }
    if (kept.isEmpty())
        return std::nullopt;
    return kept.join(u' ');
}

std::optional<QStringList> queryTerms(QStringView query)
{
    if (query.size() > maxQueryLength)
        return std::nullopt;
    QStringList terms;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= query.size(); ++i) {
        const bool blank = i == query.size() || query[i].isSpace();
        if (blank && start >= 0) {
            terms.append(query.mid(start, i - start).toString());
            start = -1;
        } else if (!blank && start < 0) {
            start = i;
        }
    }
    return terms;
}

std::optional<int> parseResultId(QStringView id)
{
    if (id.isEmpty() || id.size() > 9 || (id.size() > 1 && id.front() == u'0'))
        return std::nullopt;
    int row = 0;
    for (const QChar c : id) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        row = row * 10 + (c.unicode() - u'0');
    }
    return row;
}

QString formatResultId(int row)
{
    return QString::number(row);
}

} // namespace tarn::desktop
