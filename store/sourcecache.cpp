// Velmora: named sources held up to a byte budget, the least recently used going first.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "sourcecache.h"

namespace {

qsizetype kilobytes(qint64 bytes)
{
    return qsizetype((bytes + 1023) / 1024);
}

} // namespace

SourceCache::SourceCache(qint64 budgetBytes)
    : m_cache(kilobytes(budgetBytes))
{
}

std::shared_ptr<const MimeSource> SourceCache::find(const QString &name)
{
    const std::shared_ptr<const MimeSource> *found = m_cache.object(name);
    return found ? *found : nullptr;
}

std::shared_ptr<const MimeSource> SourceCache::insert(const QString &name, MimeSource source)
{
    const qint64 bytes = cost(source);
    auto shared = std::make_shared<const MimeSource>(std::move(source));
    // QCache deletes an object it will not keep; the copy handed back lives on.
    m_cache.insert(name, new std::shared_ptr<const MimeSource>(shared), kilobytes(bytes));
    return shared;
}

void SourceCache::clear()
{
    m_cache.clear();
}

qint64 SourceCache::bytes() const
{
    return qint64(m_cache.totalCost()) * 1024;
}

qint64 SourceCache::budget() const
{
    return qint64(m_cache.maxCost()) * 1024;
}

void SourceCache::setBudget(qint64 budgetBytes)
{
    m_cache.setMaxCost(kilobytes(budgetBytes));
}

int SourceCache::count() const
{
    return int(m_cache.count());
}

qint64 SourceCache::cost(const MimeSource &source)
{
    switch (source.kind()) {
    case MimeSource::Text:
        return qint64(source.text().size()) * qint64(sizeof(QChar));
    case MimeSource::Image:
        return qint64(source.image().sizeInBytes());
    case MimeSource::Bytes:
        return qint64(source.bytes().size());
    }
    return 0;
}
