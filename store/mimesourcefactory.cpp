// Velmora: named text and image sources for the page view.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "mimesourcefactory.h"

namespace {

// Constant-initialised, so factories created during static initialisation
// in any file find it in a defined state.
MimeSourceFactory *defaultInstance = nullptr;

} // namespace

MimeSource MimeSource::fromText(const QString &text)
{
    MimeSource source;
    source.m_kind = Text;
    source.m_text = text;
    return source;
}

MimeSource MimeSource::fromImage(const QImage &image)
{
    MimeSource source;
    source.m_kind = Image;
    source.m_image = image;
    return source;
}

MimeSource MimeSource::fromBytes(const QByteArray &bytes)
{
    MimeSource source;
    source.m_kind = Bytes;
    source.m_bytes = bytes;
    return source;
}

MimeSourceFactory::MimeSourceFactory() = default;

MimeSourceFactory::~MimeSourceFactory()
{
    // A chained factory that goes away must not leave a dangling link behind.
    if (defaultInstance && defaultInstance != this)
        defaultInstance->m_chain.removeAll(this);
}

const MimeSource *MimeSourceFactory::data(const QString &name) const
{
    const auto own = m_sources.constFind(name);
    if (own != m_sources.constEnd())
        return own->get();
    for (const MimeSourceFactory *factory : m_chain) {
        if (const MimeSource *source = factory->data(name))
            return source;
    }
    return nullptr;
}

void MimeSourceFactory::setText(const QString &name, const QString &text)
{
    m_sources.insert(name, std::make_shared<const MimeSource>(MimeSource::fromText(text)));
}

void MimeSourceFactory::setImage(const QString &name, const QImage &image)
{
    m_sources.insert(name, std::make_shared<const MimeSource>(MimeSource::fromImage(image)));
}

void MimeSourceFactory::setData(const QString &name, const QByteArray &bytes)
{
    m_sources.insert(name, std::make_shared<const MimeSource>(MimeSource::fromBytes(bytes)));
}

void MimeSourceFactory::remove(const QString &name)
{
    m_sources.remove(name);
}

MimeSourceFactory *MimeSourceFactory::defaultFactory()
{
    // Never deleted: it serves until the process ends, static destructors
    // included, like the tables behind it.
    if (!defaultInstance)
        defaultInstance = new MimeSourceFactory;
    return defaultInstance;
}

void MimeSourceFactory::addFactory(MimeSourceFactory *factory)
{
    MimeSourceFactory *root = defaultFactory();
    // Chaining the default to itself, or one factory twice, would loop or
    // ask the same store twice.
    if (!factory || factory == root || root->m_chain.contains(factory))
        return;
    root->m_chain.append(factory);
}

void MimeSourceFactory::removeFactory(MimeSourceFactory *factory)
{
    if (defaultInstance)
        defaultInstance->m_chain.removeAll(factory);
}

QImage imageFromMimeSource(const QString &name)
{
    const MimeSource *source = MimeSourceFactory::defaultFactory()->data(name);
    if (!source)
        return QImage();
    switch (source->kind()) {
    case MimeSource::Image:
        return source->image();
    case MimeSource::Bytes:
        return QImage::fromData(source->bytes());
    case MimeSource::Text:
        break;
    }
    return QImage();
}
