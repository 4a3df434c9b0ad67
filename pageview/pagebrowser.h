// Velmora: the page view, with its own history of laid-out pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "pageparts.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QMap>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QTextDocument;
class QTimer;
class PageBrowser;

// Where the page view takes everything it shows, by bare name: page texts,
// style sheets and images. The default source asks the default mime-source
// factory, which serves the embedded tables.
class PageSource
{
public:
    virtual ~PageSource();
    // The text of a page or a style sheet; null when there is none.
    virtual QString text(const QString &name) const;
    // An image; null when there is none.
    virtual QImage image(const QString &name) const;
    // An image's size, read without decoding it where the source can;
    // empty when there is none.
    virtual QSize imageSize(const QString &name) const;
};

// How a view dresses the pages beyond their own markup. The window gives
// every page view it has the same look (Shell::applyPageLook).
struct PageLook
{
    // A linked style sheet's name -> the name served in its place.
    QHash<QString, QString> styleSheets;
    // Laid behind images with transparent parts, so that drawings made for a
    // white page stay legible on a dark one; invalid for none.
    QColor imagePlate;

    friend bool operator==(const PageLook &a, const PageLook &b)
    {
        return a.styleSheets == b.styleSheets && a.imagePlate == b.imagePlate;
    }
    friend bool operator!=(const PageLook &a, const PageLook &b) { return !(a == b); }
};

// The laid-out documents that page views hold without showing them, under
// one budget of bytes: the pages a view keeps for Back and Forward, and the
// page of a view in the background (a tab not shown). Views that share one
// share the budget, so a window stays bounded however many views it has;
// the documents left longest ago go first, and the one left last stays
// whatever its size.
class KeptDocuments
{
public:
    // What the kept documents may hold together, by estimate.
    static constexpr qint64 defaultBudget = 18 * 1024 * 1024;

    explicit KeptDocuments(qint64 budget = defaultBudget);
    KeptDocuments(const KeptDocuments &) = delete;
    KeptDocuments &operator=(const KeptDocuments &) = delete;

    qint64 budget() const;
    void setBudget(qint64 bytes);
    qint64 bytes() const;
    int count() const;

private:
    friend class PageBrowser;
    struct Entry
    {
        PageBrowser *view;
        const QTextDocument *document;
        qint64 cost;
    };
    // Newest first; adding trims.
    void add(PageBrowser *view, const QTextDocument *document, qint64 cost);
    void remove(const QTextDocument *document);
    void removeAll(const PageBrowser *view);
    void trim();

    std::vector<Entry> m_entries;
    qint64 m_budget;
};

// A text browser whose pages, style sheets and images all come from its page
// source: every page and image of the set is compiled into the program, so
// the view never reads the file system, and a name the source lacks shows as
// an empty page or an invisible image.
//
// It keeps the history itself, with the scroll position of every entry.
// Each page it shows gets a document of its own, and the documents of
// recently shown pages are kept, laid out, within the budget it shares with
// the window's other views: Back and Forward to them swap the document in
// instead of parsing the page again. Callers that hold a PageBrowser get the
// history from it; QTextBrowser's own history stays empty.
//
// A view in the background (a tab not shown) parses nothing, lays nothing
// out and may lose its document to the budget; brought to the front it
// shows its page again where the reader left it.
class PageBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    static constexpr qint64 defaultKeptBudget = KeptDocuments::defaultBudget;

    // Without a source the view reads the store.
    explicit PageBrowser(QWidget *parent = nullptr, std::unique_ptr<PageSource> source = {});
    ~PageBrowser() override;

    // Pages, style sheets and images as the view shows them: with its look,
    // and images drawn at twice the size where the screen has two device
    // pixels a pixel and the source has them ("Back-2x.png" for "Back.png").
    QVariant loadResource(int type, const QUrl &name) override;
    // The same as the page source has it, without the look: for printing,
    // which stays light whatever the screen shows.
    QVariant loadPlainResource(int type, const QUrl &name);
    // An image of the size loadResource would give, in logical pixels, its
    // pixels never drawn: for laying out what a page will look like without
    // decoding its images. Null when there is none.
    QPixmap imageStandIn(const QUrl &name) const;

    PageSource *pageSource() const;
    void setPageSource(std::unique_ptr<PageSource> source);

    // The name shown, anchor included; its page alone; the page's text as
    // the source gives it (null for a page the source does not have).
    QUrl source() const;
    QString page() const;
    QString pageText() const;
    // The page's title; known for a page not laid out yet too.
    QString title() const;

    // The name last asked of this view or shown by it, anchor included. The
    // same as source() but when the window only named an anchor on the page
    // shown and asked for no scrolling (setLoadedName).
    QString loadedName() const;
    void setLoadedName(const QString &name);

    bool isBackwardAvailable() const;
    bool isForwardAvailable() const;
    int backwardHistoryCount() const;
    int forwardHistoryCount() const;
    void clearHistory();
    // Where Home goes; else the first page the view showed.
    void setHome(const QUrl &url);

    // Notes how far the page shown is scrolled, as the reader leaves it by a
    // link: Back and Forward to that page bring this position back rather
    // than the one it had when it was last left some other way.
    void rememberLinkPosition();
    // Page -> the position noted when it was last left by a link.
    QMap<QString, int> linkPositions() const;

    // Scrolls the page to that vertical position, laying it out down to there
    // first: the view lays long pages out as they are scrolled, and until
    // then its scroll bar cannot reach far enough.
    void scrollToPosition(int vpos);
    // The vertical position of the page shown, or for a view whose page is
    // not laid out, the one it will come back at.
    int scrollPosition() const;

    // Scrolls so that the line holding that text position is at the top.
    void scrollToTextPosition(int position);
    // Makes a change that lays the page out anew (a font, the zoom, a style
    // sheet) and keeps the line the reader had at the top of the view there.
    void keepReadingPosition(const std::function<void()> &change);

    // A view in the background shows nothing: its document joins the kept
    // ones, font and style changes wait, and parsing stops. Brought to the
    // front it shows its page where the reader left it, parsing it again
    // when the budget took its document. A view starts in the front.
    void setInFront(bool front);
    bool isInFront() const;
    // Whether the view has a page to show that is not laid out yet: one it
    // was given in the background, or one whose document the budget took.
    bool isPageDeferred() const;
    // Gives a view in the background a page to show when it comes to the
    // front, scrolled to `vpos` (or to its anchor when 0), with the title
    // to show for it until then. The history starts anew with that page.
    void setDeferredSource(const QUrl &url, int vpos = 0, const QString &title = QString());
    // The same for a view in front, which lays the page out only when asked
    // to show it: by Back from the next page it is given, or by coming to
    // the front again. For a start on a named page, behind which the start
    // page waits in the history.
    void setUnshownSource(const QUrl &url);

    // A long page is parsed in parts of about this many characters: the
    // first is shown at once, the others follow at the end of the page
    // between the events of the window, so the first screen of the largest
    // page is up in the time a short one takes.
    static constexpr qsizetype partLength = 24 * 1024;
    // The first part is shorter: it needs only fill the first screen, and a
    // class page's member tables would otherwise all come in it.
    static constexpr qsizetype firstPartLength = 8 * 1024;
    // Where the first place to cut after firstPartLength lies further on
    // than this (QString's table of some 400 functions is 50,000 characters
    // with no place to cut inside), the first part ends at the first place
    // after minFirstPartLength instead: a screen of the page at once, and the
    // long table in the next part, rather than all of it before the first
    // paint.
    static constexpr qsizetype longFirstPart = 4 * firstPartLength;
    static constexpr qsizetype minFirstPartLength = firstPartLength / 2;
    // Where a page's text is cut into parts, by the lengths above.
    static QList<tarn::PagePart> partsOf(QStringView html);
    // An anchor is parsed to with this much of the page's text after it, so
    // that the view can bring it to the top: an anchor at the end of the
    // parts parsed so far would otherwise stay at the bottom of the view.
    static constexpr qsizetype textBelowAnchor = firstPartLength;
    // How long the later parts wait for the first screen's paint at most, in
    // milliseconds.
    static constexpr int firstPaintWait = 200;
    // Whether the page shown is parsed to its end; and parsing what is left
    // of it now, for whatever needs the whole page (find, marks, a far
    // scroll position). Nothing to do for a page that is whole.
    bool isPageComplete() const;
    void finishPage();
    // Scrolls to the anchor, parsing the page down to it first. Hides
    // QTextEdit's, which is not virtual: callers hold a PageBrowser.
    void scrollToAnchor(const QString &name);

    // A link as clicked, made whole: "#x" names the page shown.
    QUrl resolved(const QUrl &link) const;

    // The default style sheet every page is parsed with. The page shown is
    // parsed again at once, keeping the text at the top of the view where it
    // is; kept pages are dropped.
    void setPageStyleSheet(const QString &css);
    QString pageStyleSheet() const;
    // The same for the look: the page shown is parsed again with it.
    void setPageLook(const PageLook &look);
    const PageLook &pageLook() const;
    // A menu of the window's (the page theme) at the end of the view's
    // context menu, after Copy and Select All; null for none. The window
    // keeps it.
    void setWindowMenu(QMenu *menu);

    // The documents kept under the budget this view shares, the page shown
    // in front not counted; with one view, those kept for Back and Forward.
    int keptDocumentCount() const;
    qint64 keptDocumentBytes() const;
    qint64 keptDocumentBudget() const;
    void setKeptDocumentBudget(qint64 bytes);
    // The budget this view keeps its documents in. Sharing another drops
    // what the view kept so far.
    std::shared_ptr<KeptDocuments> keptDocuments() const;
    void shareKeptDocuments(std::shared_ptr<KeptDocuments> kept);
    // The estimate a document is counted at: its characters times this, plus
    // the bytes of the images it loaded. Measured on sixty class pages of the
    // Qt 6 reference, laid out (velmora-bench-session, heap in use): 41 bytes
    // a character.
    static constexpr qint64 bytesPerCharacter = 40;

    // The context menu for that point of the viewport: the standard one,
    // "Open in New Tab" first over a link of the documentation, and the
    // window's menu last.
    QMenu *createContextMenu(const QPoint &viewportPos);

Q_SIGNALS:
    // A link the reader asked to see in a tab of its own: a middle click,
    // Ctrl+click or the context menu. Made whole, as resolved() does.
    void openInNewTabRequested(const QUrl &url);

public Q_SLOTS:
    void backward() override;
    void forward() override;
    void home() override;

protected:
    void doSetSource(const QUrl &name, QTextDocument::ResourceType type) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    friend class KeptDocuments;
    struct HistoryEntry
    {
        QUrl url;
        int hpos = 0;
        int vpos = 0;
    };
    class PageDocument;

    enum Showing { Reuse, Rebuild };
    // Shows the page of `url` (a kept document or a new one) and its anchor,
    // or the top; says so with sourceChanged. Rebuild parses the page shown
    // again and drops its old document.
    void showUrl(const QUrl &url, Showing how = Reuse);
    void parseShownAgain();
    std::unique_ptr<PageDocument> takeOrBuild(const QString &page);
    void keep(std::unique_ptr<PageDocument> document);
    // The budget takes a document: one kept, or the page of a view in the
    // background, which then shows its page again when it comes to the front.
    void forget(const QTextDocument *document);
    void dropKept();
    void showNothing();
    void rememberPosition();
    void restore(const HistoryEntry &entry, int vpos);
    void comeToFront();
    void emitHistorySignals();
    void parseNextPart();
    void parseThroughAnchor(const QString &anchor);
    // Gives the scroll bars the ranges of the parts parsed so far.
    void fitScrollRanges();
    // Tells the scroll bars how long and wide the page shown is judged to be
    // while it comes in parts; that it is whole, once it is.
    void judgePageLength();
    void allowSidewaysBar();
    QUrl linkAt(const QPoint &viewportPos) const;
    qreal lineTop(int position) const;
    int topLinePosition() const;
    bool opensInNewTab(const QMouseEvent *event) const;

    std::unique_ptr<PageSource> m_source;
    std::shared_ptr<KeptDocuments> m_keptDocuments;
    QString m_styleSheet;
    PageLook m_look;
    QPointer<QMenu> m_windowMenu;
    QUrl m_current;
    QString m_page;
    QString m_loadedName;
    QUrl m_home;
    QVector<HistoryEntry> m_back; // the page shown last
    QVector<HistoryEntry> m_forward;
    QMap<QString, int> m_linkPositions;
    std::unique_ptr<PageDocument> m_shown;
    std::vector<std::unique_ptr<PageDocument>> m_kept; // most recently shown first
    QTextDocument *m_nothing;                          // shown while no page is laid out
    QTimer *m_partTimer;

    bool m_inFront = true;
    // Left behind by a view in the background: the text position at the top
    // of the view (-1 at the very top), the font its page was laid out in,
    // whether a new style sheet waits, and the title of a page not laid out.
    int m_backTop = -1;
    QFont m_backFont;
    bool m_styleWaits = false;
    QString m_deferredTitle;
    // A position to come back at that waits for the view to be shown: until
    // then it has no final width, and the page no final length.
    int m_scrollOnShow = -1;
    // A page's later parts wait until its first screen is on the screen: a
    // window not exposed yet (the splash waits for it) would otherwise parse
    // them all before its first paint.
    bool m_firstScreenPainted = false;
    // The parts wait for that paint now, firstPaintWait at most. The wait
    // must not count as the paint: a page shown before the window is
    // exposed would then wait all of firstPaintWait after its first paint.
    bool m_paintAwaited = false;
    QUrl m_pressedLink;
};
