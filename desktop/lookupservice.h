// Velmora: the look-up that the desktop's search boxes share, over the index in memory.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listtables.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

namespace tarn::desktop {

// One index entry as a desktop result shows it.
struct DesktopResult
{
    QString id;          // what the desktop hands back to open it
    QString name;        // "arg (QString)"
    QString description; // the reference's sentence on it, else its page's title
    QString kind;        // "+f", "C", ... or empty
    QString target;      // "qstring.html#arg"
};

// Answers GNOME Shell's and KRunner's searches from the index held in
// memory: the best entries for some terms, their descriptions, and which
// entry an id the desktop hands back stands for. An id is only honoured if
// this service issued it, and only the most recent ids are remembered.
// Qt Core only; the pages come through `PageText`.
class LookupService
{
public:
    // The text of a page of the set, "qstring.html"; empty when there is none.
    using PageText = std::function<QString(const QString &page)>;

    // `index` with its details read (readFullIndexTable), for the Index's
    // order; `names` the enum values, macros and namespaces the index lacks.
    LookupService(IndexTable index, PageText pageText, NameTable names = {});

    static constexpr int maxResults = 10;
    // Ids remembered: a hundred searches of ten results, more than a
    // desktop's search box keeps on the screen.
    static constexpr int maxIssuedIds = 1024;

    // The ids of the best entries for the terms, best first; none for terms
    // the caps refuse (see busterms.h). Each id is issued.
    QStringList results(const QStringList &terms);
    // What `results` gives, for each of the first maxResults ids that were
    // issued; ids that were not are left out.
    QList<DesktopResult> describe(const QStringList &ids);
    // The entry an issued id stands for.
    std::optional<DesktopResult> issued(const QString &id) const;
    // Forgets every id issued.
    void forgetIssued();

    // The rows of the index that best match `text`, best first, at most
    // `limit`: the one ranking every desktop result comes from.
    QVector<int> rank(QStringView text, int limit) const;

    int entryCount() const { return int(m_index.rows.size()); }

private:
    DesktopResult entry(int row) const;
    QString description(int row);
    QString pageText(const QString &page);
    void issue(int row);

    IndexTable m_index;
    NameTable m_names;
    PageText m_pageText;
    // Issued rows, oldest first, and how many times each stands in the list.
    QVector<int> m_issuedOrder;
    QHash<int, int> m_issued;
    // Descriptions found, and the last pages read for them: the results of
    // one search mostly share a page or two.
    QHash<int, QString> m_descriptions;
    QList<QPair<QString, QString>> m_recentPages;
};

} // namespace tarn::desktop
