// Velmora: named text and image sources for the page view.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <memory>

// A named piece of content: a page text, a decoded image or raw bytes.
class MimeSource
{
public:
    enum Kind { Text, Image, Bytes };

    static MimeSource fromText(const QString &text);
    static MimeSource fromImage(const QImage &image);
    static MimeSource fromBytes(const QByteArray &bytes);

    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }
    const QImage &image() const { return m_image; }
    const QByteArray &bytes() const { return m_bytes; }

private:
    Kind m_kind = Bytes;
    QString m_text;
    QImage m_image;
    QByteArray m_bytes;
};

// A store of named sources with a chain of further factories. The default
// instance is what the page view, the icon loader and the forms ask; names it
// does not hold itself are passed to the chained factories in the order they
// were added.
class MimeSourceFactory
{
public:
    MimeSourceFactory();
    virtual ~MimeSourceFactory();
    MimeSourceFactory(const MimeSourceFactory &) = delete;
    MimeSourceFactory &operator=(const MimeSourceFactory &) = delete;

    // The source under that name, owned by the factory, or null. A later
    // setText/setImage/setData under the same name invalidates the pointer.
    virtual const MimeSource *data(const QString &name) const;

    virtual void setText(const QString &name, const QString &text);
    virtual void setImage(const QString &name, const QImage &image);
    virtual void setData(const QString &name, const QByteArray &bytes);
    // Forgets one name; forgetting an unknown name does nothing.
    void remove(const QString &name);

    // The one default factory, created on first use.
    static MimeSourceFactory *defaultFactory();
    // Chains a factory behind the default one; the caller keeps ownership.
    static void addFactory(MimeSourceFactory *factory);
    static void removeFactory(MimeSourceFactory *factory);

private:
    // Shared pointers keep a handed-out source valid across rehashes.
    QHash<QString, std::shared_ptr<const MimeSource>> m_sources;
    QList<MimeSourceFactory *> m_chain;
};

// Decodes a named image through the default factory; null when it has none.
QImage imageFromMimeSource(const QString &name);
