// Velmora: the page view, with its own history of laid-out pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagebrowser.h"

#include "docnames.h"
#include "embeddedimages.h"
#include "logging.h"
#include "mimesourcefactory.h"
#include "pagename.h"
#include "pageparts.h"
#include "starttrace.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QEvent>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

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

// The page view's scroll bars. While a long page comes in parts they draw
// the length and width the whole page is judged to have, not those parsed so
// far, and they repaint only when what they draw changes: otherwise a bar
// shrinks and is drawn again with every part, and the bar below comes with
// the last one, long after the page looks done.
class PartScrollBar : public QScrollBar
{
public:
    PartScrollBar(Qt::Orientation orientation, QWidget *parent)
        : QScrollBar(orientation, parent)
    {
    }

    int judgedMaximum() const { return m_judged; }
    // 0: the bar draws what it has.
    void setJudgedMaximum(int judged)
    {
        if (judged == m_judged)
            return;
        m_judged = judged;
        repaintIfChanged();
    }

protected:
    void initStyleOption(QStyleOptionSlider *option) const override
    {
        QScrollBar::initStyleOption(option);
        option->maximum = std::max(option->maximum, m_judged);
    }

    void sliderChange(SliderChange change) override
    {
        if (change == SliderValueChange)
            QScrollBar::sliderChange(change);
        else
            repaintIfChanged();
    }

    void paintEvent(QPaintEvent *event) override
    {
        QScrollBar::paintEvent(event);
        m_drawn = look();
    }

private:
    struct Look
    {
        QRect slider;
        bool movable = false;
        friend bool operator==(const Look &a, const Look &b)
        {
            return a.slider == b.slider && a.movable == b.movable;
        }
    };

    Look look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        this),
                option.maximum > option.minimum};
    }

    void repaintIfChanged()
    {
        if (!m_drawn || !(*m_drawn == look()))
            update();
    }

    int m_judged = 0;
    std::optional<Look> m_drawn;
};

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

QSize PageSource::imageSize(const QString &name) const
{
    const QSize embedded = findEmbeddedImageSize(name);
    if (embedded.isValid())
        return embedded;
    const MimeSource *source = MimeSourceFactory::defaultFactory()->data(name);
    if (source && source->kind() == MimeSource::Bytes) {
        QBuffer buffer(const_cast<QByteArray *>(&source->bytes()));
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        if (size.isValid())
            return size;
    }
    return image(name).size();
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
        // The layout, made when the view takes the document, lays the page
        // out at once at the size it finds, unbounded unless set; with an
        // empty size it lays out nothing, and the view then lays the page
        // out once, at its own width.
        setPageSize(QSizeF(0, 0));
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
        m_parts = PageBrowser::partsOf(text);
        if (m_parts.isEmpty()) {
            setHtml(text);
        } else {
            m_text = text;
            setHtml(text.left(m_parts.first().start));
        }
        markParsed();
    }

    bool isComplete() const { return m_next >= m_parts.size(); }
    // How many parts are in the document: 1 for a page just begun.
    qsizetype partsParsed() const { return m_next + 1; }
    // The share of the page's text parsed, in (0, 1].
    double parsedShare() const
    {
        return isComplete() || m_text.isEmpty() ? 1.0 : double(parsedThrough()) / m_text.size();
    }

    // Where in the page's text the part not parsed yet begins.
    qsizetype parsedThrough() const
    {
        return isComplete() ? std::numeric_limits<qsizetype>::max() : m_parts.at(m_next).start;
    }
    qsizetype find(const QString &needle) const { return m_text.indexOf(needle); }

    // How wide the whole page will be laid out at that text width, judged
    // once from what in it cannot wrap; for a page still coming in parts.
    int judgedWidth(qreal textWidth)
    {
        if (m_unwrappedWidth < 0) {
            const QString unwrapped = tarn::unwrappedContent(m_text);
            ProbeDocument probe(m_view);
            probe.setUndoRedoEnabled(false);
            probe.setDefaultFont(defaultFont());
            probe.setDefaultStyleSheet(defaultStyleSheet());
            probe.setDocumentMargin(documentMargin());
            probe.setHtml(unwrapped);
            probe.setTextWidth(0);
            m_unwrappedWidth = probe.documentLayout()->documentSize().width();
        }
        return qRound(std::max(m_unwrappedWidth, textWidth));
    }

    // Parses the next part at the end of the document, where the part before
    // it left off. The view is not told of the new size: it would lay both
    // its bars out and draw them again for every part (fitScrollRanges).
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
        // The layout would have the view repaint all of itself for a part
        // added at the end; what the part changes lies at and below the
        // block it joins, and the page above stays as it was.
        QAbstractTextDocumentLayout *layout = documentLayout();
        const qreal changedFrom = layout->blockBoundingRect(lastBlock()).top();
        {
            const QSignalBlocker quiet(layout);
            cursor.insertHtml(part.context + QStringView(m_text).mid(part.start, end - part.start));
        }
        constexpr qreal everything = std::numeric_limits<int>::max();
        Q_EMIT layout->update(QRectF(0, changedFrom, everything, everything));
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

    // Lays out what cannot wrap, its images standing in at their sizes:
    // decoding them now would delay the first screen.
    class ProbeDocument : public QTextDocument
    {
    public:
        explicit ProbeDocument(PageBrowser *view)
            : m_view(view)
        {
        }

    protected:
        QVariant loadResource(int type, const QUrl &name) override
        {
            if (type == QTextDocument::ImageResource) {
                QPixmap standIn = m_view->imageStandIn(name);
                if (standIn.isNull())
                    standIn = QPixmap::fromImage(emptyImage());
                addResource(type, name, standIn);
                return standIn;
            }
            return m_view->loadResource(type, name);
        }

    private:
        PageBrowser *m_view;
    };

    PageBrowser *m_view;
    QString m_page;
    qreal m_unwrappedWidth = -1;
    qint64 m_imageBytes = 0;
    int m_parsedRevision = -1;
    QString m_text;
    QList<tarn::PagePart> m_parts;
    qsizetype m_next = 0;
};

KeptDocuments::KeptDocuments(qint64 budget)
    : m_budget(budget)
{
}

qint64 KeptDocuments::budget() const
{
    return m_budget;
}

void KeptDocuments::setBudget(qint64 bytes)
{
    m_budget = bytes;
    trim();
}

qint64 KeptDocuments::bytes() const
{
    qint64 sum = 0;
    for (const Entry &entry : m_entries)
        sum += entry.cost;
    return sum;
}

int KeptDocuments::count() const
{
    return int(m_entries.size());
}

void KeptDocuments::add(PageBrowser *view, const QTextDocument *document, qint64 cost)
{
    m_entries.insert(m_entries.begin(), Entry{view, document, cost});
    trim();
}

void KeptDocuments::remove(const QTextDocument *document)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [document](const Entry &e) { return e.document == document; }),
                    m_entries.end());
}

void KeptDocuments::removeAll(const PageBrowser *view)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [view](const Entry &e) { return e.view == view; }),
                    m_entries.end());
}

void KeptDocuments::trim()
{
    // The document left last stays whatever its size: Back to it is the
    // step most often taken.
    qint64 sum = bytes();
    while (m_entries.size() > 1 && sum > m_budget) {
        const Entry oldest = m_entries.back();
        m_entries.pop_back();
        sum -= oldest.cost;
        oldest.view->forget(oldest.document);
    }
}

PageBrowser::PageBrowser(QWidget *parent, std::unique_ptr<PageSource> source)
    : QTextBrowser(parent)
    , m_source(source ? std::move(source) : std::make_unique<PageSource>())
    , m_keptDocuments(std::make_shared<KeptDocuments>())
    , m_nothing(new QTextDocument(this))
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
    setVerticalScrollBar(new PartScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new PartScrollBar(Qt::Horizontal, this));
    // Every view says what it is to a screen reader, however many the
    // window makes.
    setAccessibleName(tr("Page"));
    setAccessibleDescription(tr("The documentation page shown"));
}

PageBrowser::~PageBrowser()
{
    m_keptDocuments->removeAll(this);
    // The view must not be left pointing at a document that goes first.
    setDocument(m_nothing);
}

PageSource *PageBrowser::pageSource() const
{
    return m_source.get();
}

void PageBrowser::setPageSource(std::unique_ptr<PageSource> source)
{
    m_source = source ? std::move(source) : std::make_unique<PageSource>();
    dropKept();
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

QPixmap PageBrowser::imageStandIn(const QUrl &name) const
{
    const QString key = storeName(name);
    if (key.isEmpty())
        return QPixmap();
    qreal ratio = 1.0;
    QSize size;
    if (devicePixelRatioF() > 1.0 && name.scheme().isEmpty()) {
        size = m_source->imageSize(tarn::docnames::doubleSizeName(key));
        ratio = 2.0;
    }
    if (size.isEmpty()) {
        size = m_source->imageSize(key);
        ratio = 1.0;
    }
    if (size.isEmpty())
        return QPixmap();
    // Its pixels are never set: the memory is only taken, not used. A
    // pixmap, as the document would convert an image into one.
    QPixmap pixmap(size);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
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

QString PageBrowser::title() const
{
    return m_shown ? documentTitle() : m_deferredTitle;
}

QString PageBrowser::loadedName() const
{
    return m_loadedName;
}

void PageBrowser::setLoadedName(const QString &name)
{
    m_loadedName = name;
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

void PageBrowser::setHome(const QUrl &url)
{
    m_home = url;
}

void PageBrowser::rememberLinkPosition()
{
    if (!m_page.isEmpty())
        m_linkPositions.insert(m_page, scrollPosition());
}

QMap<QString, int> PageBrowser::linkPositions() const
{
    return m_linkPositions;
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

// Kept pages were parsed with the old style and go; the page shown is parsed
// again, in place: same page, same history, the same line at the top.
void PageBrowser::parseShownAgain()
{
    dropKept();
    if (!m_shown)
        return;
    // A view in the background parses its page again when it is shown.
    if (!m_inFront) {
        m_styleWaits = true;
        return;
    }
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
    fitScrollRanges();
    judgePageLength();
}

void PageBrowser::fitScrollRanges()
{
    // What the text edit does when told of a new size, less what comes of
    // it: a range changed has the scroll area lay its bars out, which with
    // both shown raises each above the other and draws both again, for
    // every part, though neither moved. The ranges only grow here, so no
    // scroll position changes unsaid.
    const QSize size = document()->documentLayout()->documentSize().toSize();
    const auto grow = [](QScrollBar *bar, int maximum) {
        if (maximum < bar->maximum()) {
            bar->setRange(0, maximum);
            return;
        }
        const QSignalBlocker quiet(bar);
        bar->setRange(0, maximum);
    };
    grow(horizontalScrollBar(), size.width() - viewport()->width());
    grow(verticalScrollBar(), size.height() - viewport()->height());
}

void PageBrowser::judgePageLength()
{
    auto *bar = static_cast<PartScrollBar *>(verticalScrollBar());
    auto *sideways = static_cast<PartScrollBar *>(horizontalScrollBar());
    // Once whole, a page wider than the view keeps or gets its bar below;
    // one that fits keeps the view as it is (even a policy set again lays
    // the view out anew) until the view's size or font changes, or loses a
    // bar it was judged to need.
    if (isPageComplete()) {
        // The last part was just laid out: the width costs nothing now.
        const bool wide = document()->idealWidth() > viewport()->width();
        if ((horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff && wide)
            || (horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn && !wide))
            allowSidewaysBar();
        bar->setJudgedMaximum(0);
        sideways->setJudgedMaximum(0);
        return;
    }
    // The bar below, as the whole page will have it: from the first screen
    // on, rather than coming with the last part and moving the page up.
    const int beyond = m_shown->judgedWidth(document()->textWidth()) - viewport()->width();
    // Only when it changes: a policy set again lays the bars out anew, and
    // both were drawn again with every part.
    const Qt::ScrollBarPolicy policy = beyond > 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (horizontalScrollBarPolicy() != policy) {
        setHorizontalScrollBarPolicy(policy);
        // A hidden view lays its bars out when next resized, and one laid
        // out before it was shown is not resized at show: the bar below
        // would come after the first paint, and the page be laid out again.
        if (!isVisible()) {
            QEvent layOut(QEvent::LayoutRequest);
            QCoreApplication::sendEvent(this, &layOut);
        }
    }
    sideways->setJudgedMaximum(std::max(beyond, 0));
    // As tall as the parts so far make it, for the text still to come;
    // never shorter than judged before, so that the bar does not wander.
    const double height = document()->size().height() / m_shown->parsedShare();
    const int judged = int(std::min(height, 1e9)) - viewport()->height();
    bar->setJudgedMaximum(std::max(bar->judgedMaximum(), judged));
}

void PageBrowser::parseNextPart()
{
    if (isPageComplete() || !m_inFront)
        return;
    if (!m_firstScreenPainted && isVisible() && !m_paintAwaited) {
        // paintEvent starts the parts; should no paint come (a window that
        // is never exposed), they start after a while all the same.
        m_paintAwaited = true;
        m_partTimer->start(firstPaintWait);
        return;
    }
    m_firstScreenPainted = true;
    m_shown->parseNextPart();
    fitScrollRanges();
    judgePageLength();
    if (!isPageComplete())
        m_partTimer->start(0);
    else
        tarn::traceStart("page-whole");
}

QList<tarn::PagePart> PageBrowser::partsOf(QStringView html)
{
    QList<tarn::PagePart> parts = tarn::pageParts(html, partLength, firstPartLength);
    if (!parts.isEmpty() && parts.first().start > longFirstPart) {
        QList<tarn::PagePart> sooner = tarn::pageParts(html, partLength, minFirstPartLength);
        if (!sooner.isEmpty() && sooner.first().start < parts.first().start)
            parts = std::move(sooner);
    }
    return parts;
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
    while (!isPageComplete() && m_shown->parsedThrough() <= at + textBelowAnchor)
        m_shown->parseNextPart();
    fitScrollRanges();
    judgePageLength();
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
    return m_keptDocuments->count();
}

qint64 PageBrowser::keptDocumentBytes() const
{
    return m_keptDocuments->bytes();
}

qint64 PageBrowser::keptDocumentBudget() const
{
    return m_keptDocuments->budget();
}

void PageBrowser::setKeptDocumentBudget(qint64 bytes)
{
    m_keptDocuments->setBudget(bytes);
}

std::shared_ptr<KeptDocuments> PageBrowser::keptDocuments() const
{
    return m_keptDocuments;
}

void PageBrowser::shareKeptDocuments(std::shared_ptr<KeptDocuments> kept)
{
    if (!kept || kept == m_keptDocuments)
        return;
    dropKept();
    m_keptDocuments->removeAll(this);
    m_keptDocuments = std::move(kept);
    if (!m_inFront && m_shown)
        m_keptDocuments->add(this, m_shown.get(), m_shown->cost());
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
    restore(m_back.last(), -1);
    emitHistorySignals();
}

void PageBrowser::forward()
{
    if (m_forward.isEmpty())
        return;
    rememberPosition();
    m_back.append(m_forward.takeLast());
    restore(m_back.last(), -1);
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
        // A view in the background had its page under the budget.
        if (m_shown)
            m_keptDocuments->remove(m_shown.get());
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
        m_styleWaits = false;
        m_firstScreenPainted = false;
        m_paintAwaited = false;
        // A new page's length is judged afresh: a whole one needs nothing
        // judged, and a kept one is laid out anew lazily, so only a page
        // just begun is measured here, its first part being short.
        static_cast<PartScrollBar *>(verticalScrollBar())->setJudgedMaximum(0);
        static_cast<PartScrollBar *>(horizontalScrollBar())->setJudgedMaximum(0);
        if (m_shown->isComplete()) {
            allowSidewaysBar();
        } else {
            setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            if (m_shown->partsParsed() == 1)
                judgePageLength();
        }
    }
    m_current = url;
    m_loadedName = url.toString();
    m_scrollOnShow = -1;
    if (!isPageComplete() && m_inFront)
        m_partTimer->start(0);
    if (!url.fragment().isEmpty()) {
        scrollToAnchor(url.fragment());
    } else {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
    // A page shown while in the background waits under the budget.
    if (!samePage && !m_inFront)
        m_keptDocuments->add(this, m_shown.get(), m_shown->cost());
    Q_EMIT sourceChanged(url);
}

std::unique_ptr<PageBrowser::PageDocument> PageBrowser::takeOrBuild(const QString &page)
{
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if ((*it)->page() == page) {
            std::unique_ptr<PageDocument> found = std::move(*it);
            m_kept.erase(it);
            m_keptDocuments->remove(found.get());
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
    const PageDocument *kept = document.get();
    const qint64 cost = document->cost();
    m_kept.insert(m_kept.begin(), std::move(document));
    m_keptDocuments->add(this, kept, cost);
}

void PageBrowser::forget(const QTextDocument *document)
{
    if (m_shown && document == m_shown.get()) {
        // The budget took the page of this view in the background.
        m_deferredTitle = documentTitle();
        showNothing();
        return;
    }
    m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(),
                                [document](const std::unique_ptr<PageDocument> &kept) {
                                    return kept.get() == document;
                                }),
                 m_kept.end());
}

void PageBrowser::dropKept()
{
    for (const std::unique_ptr<PageDocument> &kept : m_kept)
        m_keptDocuments->remove(kept.get());
    m_kept.clear();
}

void PageBrowser::showNothing()
{
    m_partTimer->stop();
    setExtraSelections({});
    setDocument(m_nothing);
    m_shown.reset();
}

void PageBrowser::rememberPosition()
{
    if (m_back.isEmpty() || !m_shown)
        return;
    m_back.last().hpos = horizontalScrollBar()->value();
    m_back.last().vpos = verticalScrollBar()->value();
}

// Shows a page of the history at `vpos`, or when that is negative, at the
// position it was left at by a link, else at the one it had.
void PageBrowser::restore(const HistoryEntry &entry, int vpos)
{
    showUrl(entry.url);
    horizontalScrollBar()->setValue(entry.hpos);
    scrollToPosition(vpos >= 0 ? vpos : m_linkPositions.value(m_page, entry.vpos));
}

int PageBrowser::scrollPosition() const
{
    if (m_scrollOnShow >= 0)
        return m_scrollOnShow;
    if (!m_shown)
        return m_back.isEmpty() ? 0 : m_back.last().vpos;
    return verticalScrollBar()->value();
}

void PageBrowser::setInFront(bool front)
{
    if (front == m_inFront)
        return;
    m_inFront = front;
    if (front) {
        comeToFront();
        return;
    }
    m_partTimer->stop();
    if (!m_shown)
        return;
    rememberPosition();
    m_backTop = verticalScrollBar()->value() == 0 ? -1 : cursorForPosition(QPoint(0, 0)).position();
    m_backFont = m_shown->defaultFont();
    if (m_shown->isPristine())
        m_keptDocuments->add(this, m_shown.get(), m_shown->cost());
}

bool PageBrowser::isInFront() const
{
    return m_inFront;
}

bool PageBrowser::isPageDeferred() const
{
    return !m_shown && !m_current.isEmpty();
}

void PageBrowser::setDeferredSource(const QUrl &url, int vpos, const QString &title)
{
    const QUrl whole = resolved(url);
    if (whole.isEmpty() || tarn::isWebLink(whole.toString()))
        return;
    m_keptDocuments->removeAll(this);
    m_kept.clear();
    showNothing();
    m_current = whole;
    m_page = storeName(whole);
    m_loadedName = whole.toString();
    m_back = {{whole, 0, qMax(0, vpos)}};
    m_forward.clear();
    m_backTop = -1;
    m_deferredTitle = title;
    if (!m_home.isValid())
        m_home = whole;
    if (m_inFront)
        comeToFront();
    emitHistorySignals();
}

void PageBrowser::setUnshownSource(const QUrl &url)
{
    const bool front = std::exchange(m_inFront, false);
    setDeferredSource(url);
    m_inFront = front;
}

void PageBrowser::comeToFront()
{
    if (!m_shown) {
        if (m_current.isEmpty() || m_back.isEmpty())
            return;
        // The page comes back laid out anew: where the reader left it, or
        // in a page never shown yet, at its anchor.
        const HistoryEntry entry = m_back.last();
        const bool sameFont = m_backFont == font();
        showUrl(entry.url);
        if (m_backTop >= 0 && !sameFont) {
            scrollToTextPosition(m_backTop);
        } else if (entry.vpos > 0) {
            horizontalScrollBar()->setValue(entry.hpos);
            scrollToPosition(entry.vpos);
            if (!isVisible())
                m_scrollOnShow = entry.vpos;
        }
        m_backTop = -1;
        return;
    }
    m_keptDocuments->remove(m_shown.get());
    if (m_styleWaits) {
        m_styleWaits = false;
        const QUrl shown = m_current;
        const int top = m_backTop;
        showUrl(shown, Rebuild);
        if (top >= 0)
            scrollToTextPosition(top);
    } else if (m_shown->defaultFont() != font()) {
        m_shown->setDefaultFont(font());
        if (m_backTop >= 0)
            scrollToTextPosition(m_backTop);
    }
    m_backTop = -1;
    if (!isPageComplete())
        m_partTimer->start(0);
}

void PageBrowser::allowSidewaysBar()
{
    if (horizontalScrollBarPolicy() != Qt::ScrollBarAsNeeded)
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void PageBrowser::resizeEvent(QResizeEvent *event)
{
    if (isPageComplete())
        allowSidewaysBar();
    // A widget's first resize event has no old size, which the text edit
    // takes for a new width. A page laid out at this width already, as when
    // the window was laid out before it was shown, is not laid out again.
    if (!event->oldSize().isValid() && document()->pageSize().width() == viewport()->width()) {
        QResizeEvent sameWidth(event->size(), event->size());
        QTextBrowser::resizeEvent(&sameWidth);
    } else {
        QTextBrowser::resizeEvent(event);
    }
    // A page still coming in parts is judged for its new size at once: the
    // window's first layout, at show, would otherwise leave the bars judged
    // for the size before it until the next part, after the first paint.
    if (!isPageComplete() && m_inFront && m_shown && m_shown->partsParsed() == 1)
        judgePageLength();
}

void PageBrowser::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange && isPageComplete())
        allowSidewaysBar();
    // In the background a new font only waits: laying the page out for it
    // now would cost every tab's layout at every zoom step.
    if (event->type() == QEvent::FontChange && !m_inFront) {
        QAbstractScrollArea::changeEvent(event);
        return;
    }
    QTextBrowser::changeEvent(event);
}

QUrl PageBrowser::linkAt(const QPoint &viewportPos) const
{
    const QString anchor = anchorAt(viewportPos);
    return anchor.isEmpty() ? QUrl() : resolved(QUrl(anchor));
}

bool PageBrowser::opensInNewTab(const QMouseEvent *event) const
{
    const bool middle = event->button() == Qt::MiddleButton;
    const bool controlClick =
        event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier);
    return (middle || controlClick) && !linkAt(event->position().toPoint()).isEmpty();
}

void PageBrowser::mousePressEvent(QMouseEvent *event)
{
    if (opensInNewTab(event)) {
        m_pressedLink = linkAt(event->position().toPoint());
        event->accept();
        return;
    }
    m_pressedLink.clear();
    QTextBrowser::mousePressEvent(event);
}

void PageBrowser::mouseReleaseEvent(QMouseEvent *event)
{
    if (opensInNewTab(event)) {
        // Pressed and let go on the same link, as a click on it must be.
        const QUrl link = linkAt(event->position().toPoint());
        if (link == m_pressedLink)
            Q_EMIT openInNewTabRequested(link);
        m_pressedLink.clear();
        event->accept();
        return;
    }
    QTextBrowser::mouseReleaseEvent(event);
}

QMenu *PageBrowser::createContextMenu(const QPoint &viewportPos)
{
    const QPoint inDocument(viewportPos.x() + horizontalScrollBar()->value(),
                            viewportPos.y() + verticalScrollBar()->value());
    QMenu *menu = createStandardContextMenu(inDocument);
    if (m_windowMenu) {
        menu->addSeparator();
        menu->addMenu(m_windowMenu);
    }
    const QUrl link = linkAt(viewportPos);
    if (!link.isEmpty() && !tarn::isWebLink(link.toString())) {
        auto *open = new QAction(tr("Open in New Tab"), menu);
        open->setObjectName(QStringLiteral("openInNewTab"));
        connect(open, &QAction::triggered, this,
                [this, link] { Q_EMIT openInNewTabRequested(link); });
        QAction *first = menu->actions().value(0);
        menu->insertAction(first, open);
        if (first)
            menu->insertSeparator(first);
    }
    return menu;
}

void PageBrowser::showEvent(QShowEvent *event)
{
    QTextBrowser::showEvent(event);
    if (m_scrollOnShow >= 0) {
        const int vpos = m_scrollOnShow;
        m_scrollOnShow = -1;
        scrollToPosition(vpos);
    }
}

void PageBrowser::paintEvent(QPaintEvent *event)
{
    QTextBrowser::paintEvent(event);
    if (!m_firstScreenPainted) {
        m_firstScreenPainted = true;
        if (!isPageComplete() && m_inFront)
            m_partTimer->start(0);
    }
}

void PageBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(createContextMenu(event->pos()));
    menu->exec(event->globalPos());
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
