// Velmora: the page view, which takes pages and images from the mime-source store.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagebrowser.h"

#include "embeddedfiles.h"
#include "mimesourcefactory.h"

#include <QImage>
#include <QTextDocument>
#include <QUrl>

namespace {

// The store's key for a resource URL: the bare file name, without anchor or
// query. Pages link each other by bare name; the text browser may still turn
// a relative name into a file: URL when a file of that name happens to lie in
// the working folder, and such URLs must reach the store just the same.
QString storeName(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (!scheme.isEmpty() && scheme != QLatin1String("file"))
        return QString();
    if (!url.host().isEmpty())
        return QString();
    return url.fileName();
}

bool isTextResource(int type)
{
    return type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource
        || type == QTextDocument::MarkdownResource;
}

// Stands in for a missing image. A null answer would make the document, and
// then its image handler, try the name as a local file.
QImage emptyImage()
{
    static const QImage image = [] {
        QImage img(1, 1, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        return img;
    }();
    return image;
}

} // namespace

PageBrowser::PageBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    // A scroll bar that comes and goes changes the text width, and every
    // change lays a long page out again; keeping it in place saves a quarter
    // of the time a large class page takes to show.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QVariant PageBrowser::loadResource(int type, const QUrl &name)
{
    const QString scheme = name.scheme();
    // Compiled-in Qt resources are safe; data: URLs the document decodes itself.
    if (scheme == QLatin1String("qrc"))
        return QTextBrowser::loadResource(type, name);
    if (scheme == QLatin1String("data"))
        return QVariant();

    const QString key = storeName(name);
    MimeSourceFactory *factory = MimeSourceFactory::defaultFactory();
    const MimeSource *source = key.isEmpty() ? nullptr : factory->data(key);

    // Style sheets live in the file table beside the pages; register one the
    // first time a page links it, so later pages share the text.
    if (!source && type == QTextDocument::StyleSheetResource && !key.isEmpty()) {
        int storedLength = 0;
        const QByteArray latin = key.toLatin1();
        if (const unsigned char *stored = findEmbeddedFile(latin.constData(), &storedLength)) {
            factory->setText(key, QString::fromUtf8(qUncompress(stored, storedLength)));
            source = factory->data(key);
        }
    }

    if (source) {
        switch (source->kind()) {
        case MimeSource::Text:
            if (isTextResource(type))
                return source->text();
            break;
        case MimeSource::Image:
            if (type == QTextDocument::ImageResource && !source->image().isNull())
                return source->image();
            break;
        case MimeSource::Bytes:
            if (type != QTextDocument::ImageResource)
                return source->bytes();
            // Decode here: bytes the document cannot decode would also send
            // it to the file system.
            if (const QImage image = QImage::fromData(source->bytes()); !image.isNull())
                return image;
            break;
        }
    }

    // Answer misses with an empty value of the right type rather than a null
    // variant, which would send the document to the file system.
    if (isTextResource(type))
        return QString();
    if (type == QTextDocument::ImageResource)
        return emptyImage();
    return QVariant();
}
