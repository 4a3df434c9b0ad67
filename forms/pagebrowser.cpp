// Velmora: the page view, with its own history of laid-out pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagebrowser.h"

#include "docnames.h"
#include "logging.h"
#include "mimesourcefactory.h"
#include "pagename.h"
#include "pageparts.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <limits>

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

// The image on an opaque plate of that colour.
QImage onPlate(const QImage &image, const QColor &plate)
{
    QImage plated(image.size(), QImage::Format_RGB32);
    plated.setDevicePixelRatio(image.devicePixelRatio());
    plated.fill(plate);
    QPainter painter(&plated);
    painter.drawImage(QPoint(0, 0), image);
    return plated;
}

} // namespace

PageSource::~PageSource() = default;

QString PageSource::text(const QString &name) const
{
    const MimeSource *source = MimeSourceFactory::defaultFactory()->data(name);
    if (!source)
        return QString();
    switch (source->kind()) {
    case MimeSource::Text:
        return source->text();
    case MimeSource::Bytes:
        return QString::fromUtf8(source->bytes());
    case MimeSource::Image:
        break;
    }
    return QString();
}

QImage PageSource::image(const QString &name) const
{
    return imageFromMimeSource(name);
}

// One page's document. It asks the view for its style sheets and images, and
// counts the image bytes it holds on to, for the kept documents' budget.
class PageBrowser::PageDocument : public QTextDocument
{
public:
    PageDocument(PageBrowser *view, const QString &page)
        : m_view(view)
        , m_page(page)
    {
    }

    const QString &page() const { return m_page; }

    qint64 cost() const
    {
        return qint64(characterCount()) * PageBrowser::bytesPerCharacter + m_imageBytes
            + qint64(m_text.size()) * qint64(sizeof(QChar));
    }

    // Whether someone changed the text since it was parsed (setHtml on the
    // view, say): then it no longer shows its page and must not be kept.
    bool isPristine() const { return revision() == m_parsedRevision; }
    void markParsed() { m_parsedRevision = revision(); }

    // Parses the page's text: all of it, or a long page's first part, the
    // others left for parseNextPart.
    void parse(const QString &text)
    {
        m_parts = tarn::pageParts(text, PageBrowser::partLength);
        if (m_parts.isEmpty()) {
            setHtml(text);
        } else {
            m_text = text;
            setHtml(text.left(m_parts.first().start));
        }
        markParsed();
    }

    bool isComplete() const { return m_next >= m_parts.size(); }

    // Where in the page's text the part not parsed yet begins.
    qsizetype parsedThrough() const
    {
        return isComplete() ? std::numeric_limits<qsizetype>::max() : m_parts.at(m_next).start;
    }
    qsizetype find(const QString &needle) const { return m_text.indexOf(needle); }

    // Parses the next part at the end of the document, where the part before
    // it left off.
    void parseNextPart()
    {
        if (isComplete())
            return;
        // Someone else changed the text: what is left belongs to a page this
        // document no longer shows.
        if (!isPristine()) {
            dropParts();
            return;
        }
        const tarn::PagePart &part = m_parts.at(m_next);
        const qsizetype end =
            m_next + 1 < m_parts.size() ? m_parts.at(m_next + 1).start : m_text.size();
        QTextCursor cursor(this);
        cursor.movePosition(QTextCursor::End);
        cursor.insertHtml(part.context + QStringView(m_text).mid(part.start, end - part.start));
        if (++m_next >= m_parts.size())
            dropParts();
        markParsed();
    }

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        QVariant value = m_view->loadResource(type, name);
        if (type == QTextDocument::ImageResource) {
            // The image handler asks again at every layout and every paint,
            // and draws a pixmap: handed an image, it converted all of it
            // each time (a wide screenshot took 150 ms to its first screen).
            const QPixmap pixmap = QPixmap::fromImage(value.value<QImage>());
            m_imageBytes += qint64(pixmap.width()) * pixmap.height() * pixmap.depth() / 8;
            value = pixmap;
        }
        // Kept with the document, so that the next ask is a lookup.
        addResource(type, name, value);
        return value;
    }

private:
    void dropParts()
    {
        m_text.clear();
        m_parts.clear();
        m_next = 0;
    }

    PageBrowser *m_view;
    QString m_page;
    qint64 m_imageBytes = 0;
    int m_parsedRevision = -1;
    QString m_text;
    QList<tarn::PagePart> m_parts;
    qsizetype m_next = 0;
};

struct PageBrowser::Kept
{
    std::unique_ptr<PageDocument> document;
    qint64 cost = 0;
};

PageBrowser::PageBrowser(QWidget *parent)
    : QTextBrowser(parent)
    , m_source(std::make_unique<PageSource>())
    , m_partTimer(new QTimer(this))
{
    // One part at a time, between the window's own events: input and
    // painting go first.
    m_partTimer->setSingleShot(true);
    m_partTimer->setInterval(0);
    connect(m_partTimer, &QTimer::timeout, this, &PageBrowser::parseNextPart);
    // A scroll bar that comes and goes changes the text width, and every
    // change lays a long page out again; keeping it in place saves a quarter
    // of the time a large class page takes to show.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Every view says what it is to a screen reader, however many the
    // window makes.
    setAccessibleName(tr("Page"));
    setAccessibleDescription(tr("The documentation page shown"));
}

PageBrowser::~PageBrowser()
{
    // The view must not be left pointing at a document that goes first.
    setDocument(new QTextDocument(this));
}

PageSource *PageBrowser::pageSource() const
{
    return m_source.get();
}

void PageBrowser::setPageSource(std::unique_ptr<PageSource> source)
{
    m_source = source ? std::move(source) : std::make_unique<PageSource>();
    m_kept.clear();
}

QVariant PageBrowser::loadResource(int type, const QUrl &name)
{
    if (type == QTextDocument::StyleSheetResource && !m_look.styleSheets.isEmpty()) {
        const auto standIn = m_look.styleSheets.constFind(storeName(name));
        if (standIn != m_look.styleSheets.cend())
            return loadPlainResource(type, QUrl(standIn.value()));
    }
    if (type != QTextDocument::ImageResource)
        return loadPlainResource(type, name);
    QImage image;
    if (devicePixelRatioF() > 1.0 && name.scheme().isEmpty()) {
        const QString key = storeName(name);
        if (!key.isEmpty())
            image = m_source->image(tarn::docnames::doubleSizeName(key));
        if (!image.isNull())
            image.setDevicePixelRatio(2.0);
    }
    if (image.isNull()) {
        // Anything but an image of the store (a data: URL's null answer, a
        // compiled-in resource's bytes) goes back as it came: the document
        // decodes it.
        const QVariant plain = loadPlainResource(type, name);
        if (!m_look.imagePlate.isValid() || plain.typeId() != QMetaType::QImage)
            return plain;
        image = plain.value<QImage>();
    }
    if (m_look.imagePlate.isValid() && image.hasAlphaChannel()
        && image.cacheKey() != emptyImage().cacheKey())
        image = onPlate(image, m_look.imagePlate);
    return image;
}

QVariant PageBrowser::loadPlainResource(int type, const QUrl &name)
{
    const QString scheme = name.scheme();
    // Compiled-in Qt resources are safe; data: URLs the document decodes itself.
    if (scheme == QLatin1String("qrc"))
        return QTextBrowser::loadResource(type, name);
    if (scheme == QLatin1String("data"))
        return QVariant();

    const QString key = storeName(name);
    // Answer misses with an empty value of the right type rather than a null
    // variant, which would send the document to the file system.
    if (isTextResource(type)) {
        const QString text = key.isEmpty() ? QString() : m_source->text(key);
        return text.isNull() ? QString(QLatin1String("")) : text;
    }
    if (type == QTextDocument::ImageResource) {
        const QImage image = key.isEmpty() ? QImage() : m_source->image(key);
        return image.isNull() ? emptyImage() : image;
    }
    return QVariant();
}

QUrl PageBrowser::source() const
{
    return m_current;
}

QString PageBrowser::page() const
{
    return m_page;
}

QString PageBrowser::pageText() const
{
    return m_page.isEmpty() ? QString() : m_source->text(m_page);
}

bool PageBrowser::isBackwardAvailable() const
{
    return m_back.size() > 1;
}

bool PageBrowser::isForwardAvailable() const
{
    return !m_forward.isEmpty();
}

int PageBrowser::backwardHistoryCount() const
{
    return int(qMax<qsizetype>(0, m_back.size() - 1));
}

int PageBrowser::forwardHistoryCount() const
{
    return int(m_forward.size());
}

void PageBrowser::clearHistory()
{
    m_forward.clear();
    if (!m_back.isEmpty())
        m_back = {m_back.last()};
    emitHistorySignals();
}

QUrl PageBrowser::resolved(const QUrl &link) const
{
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment() && !m_page.isEmpty()) {
        QUrl whole(m_page);
        whole.setFragment(link.fragment());
        return whole;
    }
    return link;
}

void PageBrowser::setPageStyleSheet(const QString &css)
{
    if (css == m_styleSheet && document()->defaultStyleSheet() == css)
        return;
    m_styleSheet = css;
    document()->setDefaultStyleSheet(css);
    parseShownAgain();
}

void PageBrowser::setPageLook(const PageLook &look)
{
    if (look == m_look)
        return;
    m_look = look;
    parseShownAgain();
}

const PageLook &PageBrowser::pageLook() const
{
    return m_look;
}

void PageBrowser::setWindowMenu(QMenu *menu)
{
    m_windowMenu = menu;
}

void PageBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    // The event comes from the viewport; the menu wants the document's place.
    const QPoint inDocument(event->pos().x() + horizontalScrollBar()->value(),
                            event->pos().y() + verticalScrollBar()->value());
    std::unique_ptr<QMenu> menu(createStandardContextMenu(inDocument));
    if (m_windowMenu) {
        menu->addSeparator();
        menu->addMenu(m_windowMenu);
    }
    menu->exec(event->globalPos());
}

// Kept pages were parsed with the old style and go; the page shown is parsed
// again, in place: same page, same history, the same line at the top.
void PageBrowser::parseShownAgain()
{
    m_kept.clear();
    if (!m_shown)
        return;
    const QUrl shown = m_current;
    keepReadingPosition([this, shown] { showUrl(shown, Rebuild); });
}

bool PageBrowser::isPageComplete() const
{
    return !m_shown || document() != m_shown.get() || m_shown->isComplete();
}

void PageBrowser::finishPage()
{
    m_partTimer->stop();
    while (!isPageComplete())
        m_shown->parseNextPart();
}

void PageBrowser::parseNextPart()
{
    if (isPageComplete())
        return;
    m_shown->parseNextPart();
    if (!isPageComplete())
        m_partTimer->start();
}

void PageBrowser::parseThroughAnchor(const QString &anchor)
{
    if (isPageComplete())
        return;
    // The anchor's element in the page's text; parsed up to there, the
    // view can scroll to it. An anchor not written as such: all of it.
    qsizetype at = -1;
    const QString forms[] = {QLatin1String("name=\"") + anchor + u'"',
                             QLatin1String("id=\"") + anchor + u'"'};
    for (const QString &form : forms) {
        const qsizetype found = m_shown->find(form);
        if (found >= 0 && (at < 0 || found < at))
            at = found;
    }
    if (at < 0) {
        finishPage();
        return;
    }
    while (!isPageComplete() && m_shown->parsedThrough() <= at)
        m_shown->parseNextPart();
}

void PageBrowser::scrollToAnchor(const QString &name)
{
    parseThroughAnchor(name);
    QTextBrowser::scrollToAnchor(name);
}

// Where the line holding that text position starts, in document
// coordinates; asking lays the page out down to it. A line in a table cell
// is placed within its cell, its cell within its table.
qreal PageBrowser::lineTop(int position) const
{
    QTextDocument *doc = document();
    const QTextBlock block = doc->findBlock(qBound(0, position, doc->characterCount() - 1));
    qreal y = doc->documentLayout()->blockBoundingRect(block).top();
    if (const QTextLayout *lines = block.layout()) {
        const QTextLine line = lines->lineForTextPosition(position - block.position());
        if (line.isValid())
            y += line.y();
    }
    return y;
}

// The text position of the line at the top of the view. The layout's hit
// test at the view's left edge answers well in running text; inside a table
// a point beside the cells, between rows or in a tall cell gives the table's
// start, the block before it or the page's end. So the hit is taken only
// when its line crosses the top edge, and otherwise the lines of the blocks
// at that height are looked at one by one: the leftmost line that crosses
// the edge (in a table of two columns, the left one's), else the highest
// line below it.
int PageBrowser::topLinePosition() const
{
    const QAbstractTextDocumentLayout *layout = document()->documentLayout();
    const qreal top = verticalScrollBar()->value();
    const qreal left = horizontalScrollBar()->value();
    for (const qreal across : {0.0, 0.05, 0.2}) {
        const int position =
            layout->hitTest(QPointF(left + across * viewport()->width(), top), Qt::FuzzyHit);
        if (position < 0)
            continue;
        const QTextBlock block = document()->findBlock(position);
        const QTextLine line = block.layout()
            ? block.layout()->lineForTextPosition(position - block.position())
            : QTextLine();
        const qreal lineY = lineTop(position);
        if (line.isValid() && lineY <= top + 1 && lineY + line.height() > top)
            return position;
    }

    int best = -1;
    bool bestCrosses = false;
    QPointF bestAt;
    const qreal bottom = top + viewport()->height();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        const QTextLayout *lines = block.layout();
        if (!lines || rect.bottom() <= top || rect.top() >= bottom)
            continue;
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const QPointF at = rect.topLeft() + QPointF(line.x(), line.y());
            if (at.y() + line.height() <= top || at.y() >= bottom)
                continue;
            const bool crosses = at.y() <= top + 1;
            const bool better = best < 0 || (crosses && !bestCrosses)
                || (crosses == bestCrosses
                    && (crosses ? at.x() < bestAt.x() : at.y() < bestAt.y()));
            if (better) {
                best = block.position() + line.textStart();
                bestCrosses = crosses;
                bestAt = at;
            }
        }
    }
    return best >= 0 ? best : cursorForPosition(QPoint(0, 0)).position();
}

void PageBrowser::scrollToTextPosition(int position)
{
    finishPage();
    scrollToPosition(qRound(lineTop(position)));
}

void PageBrowser::keepReadingPosition(const std::function<void()> &change)
{
    finishPage();
    const bool atTop = verticalScrollBar()->value() == 0;
    const int top = topLinePosition();
    change();
    if (!atTop)
        scrollToTextPosition(top);
}

QString PageBrowser::pageStyleSheet() const
{
    return m_styleSheet;
}

int PageBrowser::keptDocumentCount() const
{
    return int(m_kept.size());
}

qint64 PageBrowser::keptDocumentBytes() const
{
    qint64 bytes = 0;
    for (const Kept &kept : m_kept)
        bytes += kept.cost;
    return bytes;
}

qint64 PageBrowser::keptDocumentBudget() const
{
    return m_keptBudget;
}

void PageBrowser::setKeptDocumentBudget(qint64 bytes)
{
    m_keptBudget = bytes;
    trimKept();
}

void PageBrowser::doSetSource(const QUrl &name, QTextDocument::ResourceType)
{
    const QUrl url = resolved(name);
    // A web link is the window's to hand to the system browser; the view
    // stays on the page and where it was on it.
    if (url.isEmpty() || tarn::isWebLink(url.toString()))
        return;
    rememberPosition();
    showUrl(url);
    if (!m_home.isValid())
        m_home = url;
    // The same name again adds nothing to the history.
    if (!m_back.isEmpty() && m_back.last().url == url)
        return;
    m_back.append({url, 0, 0});
    if (!m_forward.isEmpty() && m_forward.last().url == url)
        m_forward.removeLast();
    else
        m_forward.clear();
    emitHistorySignals();
}

void PageBrowser::backward()
{
    if (m_back.size() <= 1)
        return;
    rememberPosition();
    m_forward.append(m_back.takeLast());
    restore(m_back.last());
    emitHistorySignals();
}

void PageBrowser::forward()
{
    if (m_forward.isEmpty())
        return;
    rememberPosition();
    m_back.append(m_forward.takeLast());
    restore(m_back.last());
    emitHistorySignals();
}

void PageBrowser::home()
{
    if (m_home.isValid())
        setSource(m_home);
}

void PageBrowser::showUrl(const QUrl &url, Showing how)
{
    const QString page = storeName(url);
    const bool samePage = how == Reuse && m_shown && page == m_page && m_shown->isPristine();
    if (!samePage) {
        std::unique_ptr<PageDocument> next = takeOrBuild(page);
        if (next->defaultFont() != font())
            next->setDefaultFont(font());
        // The view lets go of the old document before it is kept or dropped,
        // and of any marks made in it.
        setExtraSelections({});
        setDocument(next.get());
        if (how == Reuse)
            keep(std::move(m_shown));
        m_shown = std::move(next);
        m_page = page;
    }
    m_current = url;
    if (!isPageComplete())
        m_partTimer->start();
    if (!url.fragment().isEmpty()) {
        scrollToAnchor(url.fragment());
    } else {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
    Q_EMIT sourceChanged(url);
}

std::unique_ptr<PageBrowser::PageDocument> PageBrowser::takeOrBuild(const QString &page)
{
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if (it->document->page() == page) {
            std::unique_ptr<PageDocument> found = std::move(it->document);
            m_kept.erase(it);
            return found;
        }
    }
    auto document = std::make_unique<PageDocument>(this, page);
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(font());
    document->setDefaultStyleSheet(m_styleSheet);
    const QString text = page.isEmpty() ? QString() : m_source->text(page);
    if (text.isNull())
        qCDebug(lcBrowser) << "no page" << page;
    document->parse(text);
    return document;
}

void PageBrowser::keep(std::unique_ptr<PageDocument> document)
{
    // A page left before it was parsed to its end is kept as it is, and
    // goes on from there when it comes back.
    if (!document || !document->isPristine())
        return;
    const qint64 cost = document->cost();
    m_kept.insert(m_kept.begin(), Kept{std::move(document), cost});
    trimKept();
}

void PageBrowser::trimKept()
{
    // The page just left stays whatever its size: Back to it is the step
    // most often taken.
    qint64 bytes = keptDocumentBytes();
    while (m_kept.size() > 1 && bytes > m_keptBudget) {
        bytes -= m_kept.back().cost;
        m_kept.pop_back();
    }
}

void PageBrowser::rememberPosition()
{
    if (m_back.isEmpty())
        return;
    m_back.last().hpos = horizontalScrollBar()->value();
    m_back.last().vpos = verticalScrollBar()->value();
}

void PageBrowser::restore(const HistoryEntry &entry)
{
    showUrl(entry.url);
    horizontalScrollBar()->setValue(entry.hpos);
    scrollToPosition(entry.vpos);
}

void PageBrowser::scrollToPosition(int vpos)
{
    if (vpos > 0)
        finishPage();
    QScrollBar *bar = verticalScrollBar();
    if (vpos > bar->maximum()) {
        const int height = viewport()->height();
        QAbstractTextDocumentLayout *layout = document()->documentLayout();
        const int hit = layout->hitTest(QPointF(0, vpos + height), Qt::FuzzyHit);
        const QTextBlock block = document()->findBlock(qMax(0, hit));
        // Past the last line the page is shorter than the position asked for.
        const bool pageEnds = !block.next().isValid();
        const int reach = pageEnds
            ? int(layout->blockBoundingRect(block).bottom() + document()->documentMargin()) - height
            : vpos;
        bar->setMaximum(qMax(bar->maximum(), reach));
    }
    bar->setValue(vpos);
}

void PageBrowser::emitHistorySignals()
{
    Q_EMIT backwardAvailable(isBackwardAvailable());
    Q_EMIT forwardAvailable(isForwardAvailable());
    Q_EMIT historyChanged();
}
