// Velmora: the factory that serves the embedded pages and style sheets as text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedpages.h"

#include "docnames.h"
#include "embeddedfiles.h"
#include "pagetext.h"

namespace {

EmbeddedPageFactory *embeddedPageFactory = nullptr;

bool isServedAsText(const QString &name)
{
    // The two lists are the window's to read, not pages to show.
    return tarn::docnames::fileKind(name) == tarn::docnames::FileKind::Page;
}

} // namespace

QString findEmbeddedPageText(const QString &name)
{
    if (!isServedAsText(name))
        return QString();
    int storedLength = 0;
    const unsigned char *stored = findEmbeddedFile(name.toLatin1().constData(), &storedLength);
    if (!stored)
        return QString();
    QString text = tarn::decodePageText(inflateEmbedded(stored, storedLength));
    releaseEmbeddedBytes(stored, storedLength);
    // An empty page is still a page: answer an empty but not null text.
    return text.isNull() ? QString(QLatin1String("")) : text;
}

bool hasPage(const QString &name)
{
    int storedLength = 0;
    return isServedAsText(name) && findEmbeddedFile(name.toLatin1().constData(), &storedLength);
}

EmbeddedPageFactory::EmbeddedPageFactory()
    : m_cache(std::make_unique<SourceCache>(defaultBudget))
{
}

EmbeddedPageFactory::~EmbeddedPageFactory() = default;

const MimeSource *EmbeddedPageFactory::data(const QString &absName) const
{
    if (const MimeSource *own = MimeSourceFactory::data(absName))
        return own;
    if (absName.isEmpty())
        return nullptr;
    m_lastAnswer = m_cache->find(absName);
    if (!m_lastAnswer) {
        const QString text = findEmbeddedPageText(absName);
        if (text.isNull())
            return nullptr;
        m_lastAnswer = m_cache->insert(absName, MimeSource::fromText(text));
    }
    return m_lastAnswer.get();
}

SourceCache &EmbeddedPageFactory::cache() const
{
    return *m_cache;
}

void installEmbeddedPages()
{
    if (embeddedPageFactory)
        return;
    embeddedPageFactory = new EmbeddedPageFactory;
    MimeSourceFactory::addFactory(embeddedPageFactory);
}

void removeEmbeddedPages()
{
    if (!embeddedPageFactory)
        return;
    MimeSourceFactory::removeFactory(embeddedPageFactory);
    delete embeddedPageFactory;
    embeddedPageFactory = nullptr;
}

EmbeddedPageFactory *installedEmbeddedPageFactory()
{
    return embeddedPageFactory;
}
