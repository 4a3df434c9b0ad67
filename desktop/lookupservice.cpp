// Velmora: the look-up that the desktop's search boxes share, over the index in memory.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "lookupservice.h"

#include "busterms.h"
#include "lookup.h"
#include "pagebrief.h"

namespace tarn::desktop {

namespace {

// Descriptions kept, and pages kept to find them in.
constexpr int maxDescriptions = 4096;
constexpr int maxRecentPages = 4;

// The order the window gives: a page of the set named as such, then the
// entries the text names, best first (the one `velmora NAME` opens leads),
// then what the Index shows for the text.
QVector<int> indexOrder(const IndexTable &index, const NameTable &names, QStringView text,
                        int limit)
{
    QVector<int> rows;
    const auto full = [&rows, limit] { return rows.size() >= limit; };
    const auto add = [&](int row) {
        if (row >= 0 && !full() && !rows.contains(row))
            rows.append(row);
    };
    if (limit <= 0)
        return rows;
    if (text.contains(QLatin1String(".html"))) {
        for (int row = 0; row < int(index.rows.size()) && !full(); ++row) {
            if (QAnyStringView::equal(index.view(index.rows.at(row).target), text))
                add(row);
        }
    }
    for (const ApiMatch &match : namedEntries(index, &names, text))
        add(match.row);
    for (const int row : indexRows(index, text))
        add(row);
    return rows;
}

} // namespace

LookupService::LookupService(IndexTable index, PageText pageText, NameTable names)
    : m_index(std::move(index))
    , m_names(std::move(names))
    , m_pageText(std::move(pageText))
{
}

QVector<int> LookupService::rank(QStringView text, int limit) const
{
    return indexOrder(m_index, m_names, text, limit);
}

QStringList LookupService::results(const QStringList &terms)
{
    const std::optional<QString> text = lookupText(terms);
    if (!text)
        return {};
    QStringList ids;
    for (const int row : rank(*text, maxResults)) {
        issue(row);
        ids.append(formatResultId(row));
    }
    return ids;
}

QList<DesktopResult> LookupService::describe(const QStringList &ids)
{
    QList<DesktopResult> described;
    for (const QString &id : ids) {
        if (described.size() >= maxResults)
            break;
        std::optional<DesktopResult> result = issued(id);
        if (!result)
            continue;
        result->description = description(parseResultId(id).value());
        described.append(*result);
    }
    return described;
}

std::optional<DesktopResult> LookupService::issued(const QString &id) const
{
    const std::optional<int> row = parseResultId(id);
    if (!row || !m_issued.contains(*row) || *row >= m_index.rows.size())
        return std::nullopt;
    return entry(*row);
}

void LookupService::forgetIssued()
{
    m_issuedOrder.clear();
    m_issued.clear();
}

DesktopResult LookupService::entry(int row) const
{
    const IndexTable::Row &r = m_index.rows.at(row);
    DesktopResult result;
    result.id = formatResultId(row);
    result.name = m_index.view(r.name).toString();
    result.kind = m_index.view(r.kind).toString();
    result.target = m_index.view(r.target).toString();
    return result;
}

QString LookupService::description(int row)
{
    if (const auto known = m_descriptions.constFind(row); known != m_descriptions.cend())
        return known.value();
    const QString target = m_index.view(m_index.rows.at(row).target).toString();
    const qsizetype hash = target.indexOf(u'#');
    const QString html = pageText(target.left(hash));
    QString text = pageBrief(html, hash < 0 ? QStringView() : target.mid(hash + 1));
    if (text.isEmpty())
        text = pageTitle(html);
    if (m_descriptions.size() >= maxDescriptions)
        m_descriptions.clear();
    m_descriptions.insert(row, text);
    return text;
}

QString LookupService::pageText(const QString &page)
{
    for (qsizetype i = 0; i < m_recentPages.size(); ++i) {
        if (m_recentPages.at(i).first == page) {
            m_recentPages.move(i, 0);
            return m_recentPages.first().second;
        }
    }
    const QString text = m_pageText ? m_pageText(page) : QString();
    m_recentPages.prepend({page, text});
    if (m_recentPages.size() > maxRecentPages)
        m_recentPages.removeLast();
    return text;
}

void LookupService::issue(int row)
{
    m_issuedOrder.append(row);
    ++m_issued[row];
    while (m_issuedOrder.size() > maxIssuedIds) {
        const int oldest = m_issuedOrder.takeFirst();
        if (--m_issued[oldest] == 0)
            m_issued.remove(oldest);
    }
}

} // namespace tarn::desktop
