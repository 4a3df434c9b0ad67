// Velmora: the page view, with its own history of laid-out pages.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QVector>

#include <functional>
#include <memory>

class QMenu;
class QTextDocument;
class QTimer;

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

// A text browser whose pages, style sheets and images all come from its page
// source: every page and image of the set is compiled into the program, so
// the view never reads the file system, and a name the source lacks shows as
// an empty page or an invisible image.
//
// It keeps the history itself. Each page it shows gets a document of its
// own, and the documents of recently shown pages are kept, laid out, up to a
// budget of bytes: Back and Forward to them swap the document in instead of
// parsing the page again. Callers that hold a PageBrowser get the history
// from it; QTextBrowser's own history stays empty.
class PageBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    // What the kept documents may hold together, by estimate.
    static constexpr qint64 defaultKeptBudget = 18 * 1024 * 1024;

    explicit PageBrowser(QWidget *parent = nullptr);
    ~PageBrowser() override;

    // Pages, style sheets and images as the view shows them: with its look,
    // and images drawn at twice the size where the screen has two device
    // pixels a pixel and the source has them ("Back-2x.png" for "Back.png").
    QVariant loadResource(int type, const QUrl &name) override;
    // The same as the page source has it, without the look: for printing,
    // which stays light whatever the screen shows.
    QVariant loadPlainResource(int type, const QUrl &name);

    PageSource *pageSource() const;
    void setPageSource(std::unique_ptr<PageSource> source);

    // The name shown, anchor included; its page alone; the page's text as
    // the source gives it (null for a page the source does not have).
    QUrl source() const;
    QString page() const;
    QString pageText() const;

    bool isBackwardAvailable() const;
    bool isForwardAvailable() const;
    int backwardHistoryCount() const;
    int forwardHistoryCount() const;
    void clearHistory();

    // Scrolls the page to that vertical position, laying it out down to there
    // first: the view lays long pages out as they are scrolled, and until
    // then its scroll bar cannot reach far enough.
    void scrollToPosition(int vpos);

    // Scrolls so that the line holding that text position is at the top.
    void scrollToTextPosition(int position);
    // Makes a change that lays the page out anew (a font, the zoom, a style
    // sheet) and keeps the line the reader had at the top of the view there.
    void keepReadingPosition(const std::function<void()> &change);

    // A long page is parsed in parts of about this many characters: the
    // first is shown at once, the others follow at the end of the page
    // between the events of the window, so the first screen of the largest
    // page is up in the time a short one takes.
    static constexpr qsizetype partLength = 24 * 1024;
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

    // The documents kept for Back and Forward, the page shown not counted.
    int keptDocumentCount() const;
    qint64 keptDocumentBytes() const;
    qint64 keptDocumentBudget() const;
    void setKeptDocumentBudget(qint64 bytes);
    // The estimate a document is counted at: its characters times this, plus
    // the bytes of the images it loaded. Measured on sixty class pages of the
    // Qt 6 reference, laid out (velmora-bench-session, heap in use): 41 bytes
    // a character.
    static constexpr qint64 bytesPerCharacter = 40;

public Q_SLOTS:
    void backward() override;
    void forward() override;
    void home() override;

protected:
    void doSetSource(const QUrl &name, QTextDocument::ResourceType type) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    struct HistoryEntry
    {
        QUrl url;
        int hpos = 0;
        int vpos = 0;
    };
    class PageDocument;
    struct Kept;

    enum Showing { Reuse, Rebuild };
    // Shows the page of `url` (a kept document or a new one) and its anchor,
    // or the top; says so with sourceChanged. Rebuild parses the page shown
    // again and drops its old document.
    void showUrl(const QUrl &url, Showing how = Reuse);
    void parseShownAgain();
    std::unique_ptr<PageDocument> takeOrBuild(const QString &page);
    void keep(std::unique_ptr<PageDocument> document);
    void trimKept();
    void rememberPosition();
    void restore(const HistoryEntry &entry);
    void emitHistorySignals();
    void parseNextPart();
    void parseThroughAnchor(const QString &anchor);
    qreal lineTop(int position) const;
    int topLinePosition() const;

    std::unique_ptr<PageSource> m_source;
    QString m_styleSheet;
    PageLook m_look;
    QPointer<QMenu> m_windowMenu;
    QUrl m_current;
    QString m_page;
    QUrl m_home;
    QVector<HistoryEntry> m_back; // the page shown last
    QVector<HistoryEntry> m_forward;
    std::unique_ptr<PageDocument> m_shown;
    std::vector<Kept> m_kept; // most recently shown first
    qint64 m_keptBudget = defaultKeptBudget;
    QTimer *m_partTimer;
};
