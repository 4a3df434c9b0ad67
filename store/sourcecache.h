// Velmora: named sources held up to a byte budget, the least recently used going first.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "mimesourcefactory.h"

#include <QCache>
#include <QString>

#include <memory>

// A reading session touches thousands of pages and images; keeping each one
// decoded for the rest of the run grew the program by hundreds of megabytes.
// This keeps what was used last, up to a budget of bytes.
class SourceCache
{
public:
    explicit SourceCache(qint64 budgetBytes);

    // The source under that name, now the most recently used; null on a miss.
    std::shared_ptr<const MimeSource> find(const QString &name);
    // Keeps `source` under `name`, dropping the least recently used sources
    // while the cache holds more than its budget. A source larger than the
    // whole budget is handed back but not kept.
    std::shared_ptr<const MimeSource> insert(const QString &name, MimeSource source);
    void clear();

    qint64 bytes() const;
    qint64 budget() const;
    void setBudget(qint64 budgetBytes);
    int count() const;

    // What a source costs the cache: its pixels or its text, in bytes.
    static qint64 cost(const MimeSource &source);

private:
    // The cache counts in kilobytes: its costs are ints.
    QCache<QString, std::shared_ptr<const MimeSource>> m_cache;
};
