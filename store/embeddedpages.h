// Velmora: the factory that serves the embedded pages and style sheets as text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "mimesourcefactory.h"
#include "sourcecache.h"

#include <QString>

#include <memory>

// Inflates and decodes the page or style sheet of that exact name; null when
// the file table has none.
QString findEmbeddedPageText(const QString &name);

// Whether the file table has a page or style sheet of that exact name; a
// lookup, nothing inflated.
bool hasPage(const QString &name);

// Serves the file table's pages and style sheets by name as text, decoded by
// the character set they declare. Decoded texts are kept up to a budget of
// bytes, least recently used out first.
class EmbeddedPageFactory : public MimeSourceFactory
{
public:
    static constexpr qint64 defaultBudget = 2 * 1024 * 1024;

    EmbeddedPageFactory();
    ~EmbeddedPageFactory() override;

    // The pointer stays valid until the next call of data() on this factory.
    const MimeSource *data(const QString &absName) const override;

    SourceCache &cache() const;

private:
    std::unique_ptr<SourceCache> m_cache;
    mutable std::shared_ptr<const MimeSource> m_lastAnswer;
};

// Chains the page factory into the default factory; a no-op when it is there.
void installEmbeddedPages();
// Unchains and deletes it, dropping every cached text; a no-op when absent.
void removeEmbeddedPages();
// The factory chained in by installEmbeddedPages, or null.
EmbeddedPageFactory *installedEmbeddedPageFactory();
