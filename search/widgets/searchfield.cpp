// Velmora: the search field of the window, with its list of results.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchfield.h"

#include "namedhits.h"
#include "ranking.h"
#include "searchindex.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QVBoxLayout>

namespace tarn {

namespace {

enum Role { PageRole = Qt::UserRole, SnippetRole, HitsRole };

using HitRanges = QList<QPair<int, int>>;

// Results show a few more than fit at once; more scroll.
constexpr int visibleRows = 9;
// A pause in typing this long runs the search: long enough to skip the
// words on the way, short enough to feel immediate.
constexpr int typingPause = 120;
constexpr int padding = 6;

// A result: its title, and under it one line of the page with the hit words
// in bold, cut with an ellipsis where the row ends.
class ResultDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString title = opt.text;
        opt.text.clear();
        const QWidget *widget = opt.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        const bool selected = opt.state & QStyle::State_Selected;
        const QPalette::ColorGroup group =
            opt.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        const QColor text =
            opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
        QColor quiet = text;
        if (!selected)
            quiet.setAlphaF(0.72);

        const QRect area = opt.rect.adjusted(padding, 3, -padding, -3);
        QFont titleFont = opt.font;
        titleFont.setBold(true);
        const QFontMetrics titleMetrics(titleFont);
        painter->save();
        painter->setClipRect(opt.rect);
        painter->setFont(titleFont);
        painter->setPen(text);
        painter->drawText(QRect(area.left(), area.top(), area.width(), titleMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          titleMetrics.elidedText(title, Qt::ElideRight, area.width()));

        const QString snippet = index.data(SnippetRole).toString();
        const auto hits = index.data(HitsRole).value<HitRanges>();
        drawSnippet(painter, snippet, hits, opt.font, quiet, text,
                    QPointF(area.left(), area.top() + titleMetrics.height() + 1), area.width());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        QFont titleFont = option.font;
        titleFont.setBold(true);
        return QSize(200,
                     QFontMetrics(titleFont).height() + QFontMetrics(option.font).height() + 7);
    }

private:
    static void drawSnippet(QPainter *painter, QString text, const HitRanges &hits,
                            const QFont &font, const QColor &color, const QColor &hitColor,
                            const QPointF &at, int width)
    {
        QList<QTextLayout::FormatRange> formats;
        for (const auto &[start, length] : hits) {
            QTextLayout::FormatRange range;
            range.start = start;
            range.length = length;
            range.format.setFontWeight(QFont::Bold);
            range.format.setForeground(hitColor);
            formats.append(range);
        }
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        QTextLayout layout(text, font);
        layout.setTextOption(option);
        layout.setFormats(formats);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        if (!line.isValid())
            return;
        if (line.naturalTextWidth() > width) {
            // Cut at the last character that leaves room for the ellipsis.
            const QString ellipsis(QChar(0x2026));
            const int room = width - QFontMetrics(font).horizontalAdvance(ellipsis);
            const int cut = line.xToCursor(std::max(0, room), QTextLine::CursorOnCharacter);
            text = text.left(cut).trimmed() + ellipsis;
            layout.setText(text);
            layout.setFormats(formats);
            layout.beginLayout();
            line = layout.createLine();
            layout.endLayout();
        }
        painter->setPen(color);
        layout.draw(painter, at);
    }
};

// A grey disc with a cross cut out of it, at one and two device pixels per
// point.
QIcon clearIcon(const QPalette &palette)
{
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor disc = palette.color(QPalette::Text);
        disc.setAlphaF(0.45f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(disc);
        painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

SearchField::SearchField(QWidget *parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("searchField"));
    // The field's own clear button: the style's asks the desktop's icon
    // theme, whose first lookup reads the theme's folders before the window
    // can show. Its place is kept while the field is empty, as the style's
    // is, and its cross is drawn the first time there is text to clear.
    m_clear = addAction(QIcon(), QLineEdit::TrailingPosition);
    m_clear->setObjectName(QStringLiteral("clearSearch"));
    m_clear->setText(tr("Clear"));
    m_clear->setToolTip(tr("Clear the search"));
    m_clear->setEnabled(false);
    connect(m_clear, &QAction::triggered, this, [this] {
        clear();
        Q_EMIT textEdited(QString());
    });
    connect(this, &QLineEdit::textChanged, this, &SearchField::showClearButton);
    setPlaceholderText(tr("Search all pages (Ctrl+Shift+F)"));
    setAccessibleName(tr("Search all pages"));
    setAccessibleDescription(tr("Full-text search over every page: results come as you type"));
    setToolTip(tr("<p>Search every page (Ctrl+Shift+F).</p>"
                  "<p><b>words</b>: pages with all of them<br/>"
                  "<b>\"a phrase\"</b>: the words in this order<br/>"
                  "<b>prefix*</b>: words that begin so<br/>"
                  "<b>word OR word</b>: either<br/>"
                  "<b>-word</b>: pages without it</p>"));

    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("searchResults"));
    m_popup->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_popup->setFocusPolicy(Qt::NoFocus);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    m_message = new QLabel(m_popup);
    m_message->setContentsMargins(padding, 4, padding, 4);
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    m_list = new QListWidget(m_popup);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setAccessibleName(tr("Search results"));
    m_list->setFrameStyle(QFrame::NoFrame);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->setItemDelegate(new ResultDelegate(m_list));
    layout->addWidget(m_list);
    m_popup->installEventFilter(this);

    m_pause.setSingleShot(true);
    m_pause.setInterval(typingPause);
    connect(&m_pause, &QTimer::timeout, this, &SearchField::searchNow);
    connect(this, &QLineEdit::textChanged, this, &SearchField::scheduleSearch);
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { openRow(m_list->row(item)); });

    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] {
        setFocus(Qt::ShortcutFocusReason);
        selectAll();
        if (m_list->count() > 0)
            showResults();
    });
}

SearchField::~SearchField() = default;

void SearchField::setIndex(SearchIndex *index)
{
    m_index = index;
}

void SearchField::setNameSource(NameSource names)
{
    m_names = std::move(names);
}

void SearchField::setPageFilter(PageFilter pages)
{
    m_pages = std::move(pages);
}

void SearchField::setFilterNote(const QString &note)
{
    if (note == m_filterNote)
        return;
    m_filterNote = note;
    setPlaceholderText(note.isEmpty() ? tr("Search all pages (Ctrl+Shift+F)")
                                      : tr("Search, filtered: %1").arg(note));
    setToolTip(note.isEmpty() ? QString() : tr("Filtered as the Index is: %1").arg(note));
    // Results shown were found without the filter, or with another.
    if (!text().trimmed().isEmpty() && m_popup->isVisible())
        searchNow();
}

SearchIndex *SearchField::index() const
{
    // The built-in index is opened by the first search, not with the window.
    return m_index ? m_index : SearchIndex::embedded();
}

QSize SearchField::sizeHint() const
{
    const QSize hint = QLineEdit::sizeHint();
    return QSize(std::max(hint.width(), fontMetrics().averageCharWidth() * 30), hint.height());
}

void SearchField::showClearButton(const QString &text)
{
    // An empty field shows no button, but keeps its room.
    const bool clearable = !text.isEmpty();
    if (clearable && m_clearIcon.isNull())
        m_clearIcon = clearIcon(palette());
    m_clear->setIcon(clearable ? m_clearIcon : QIcon());
    m_clear->setEnabled(clearable);
}

void SearchField::scheduleSearch()
{
    if (text().trimmed().isEmpty()) {
        m_pause.stop();
        m_list->clear();
        m_terms.clear();
        hideResults();
        return;
    }
    // Each keystroke starts the pause again: a query is only run for what
    // the reader stopped at, and never for text that is already gone.
    m_pause.start();
}

void SearchField::searchNow()
{
    m_pause.stop();
    SearchResults found = index()->search(text());
    if (m_pages)
        found.hits.removeIf([this](const SearchHit &hit) { return !m_pages(hit.page); });
    const SearchResults results =
        namesFirst(std::move(found), m_names ? m_names(text()) : QVector<ApiMatch>());
    m_terms = results.terms;
    m_list->clear();
    for (const SearchHit &hit : results.hits) {
        auto *item = new QListWidgetItem(hit.title, m_list);
        item->setData(PageRole, hit.page);
        item->setData(SnippetRole, hit.snippet);
        item->setData(HitsRole, QVariant::fromValue(hit.hitRanges));
        item->setToolTip(hit.page);
    }

    QString message = results.message;
    if (results.status == SearchResults::Status::Ok && results.hits.isEmpty())
        message =
            message.isEmpty() ? tr("No pages match.") : tr("No pages match.") + u' ' + message;
    else if (results.status == SearchResults::Status::Ok
             && results.hits.size() >= ranking::maxResults && message.isEmpty())
        message = tr("The best %1 pages.").arg(results.hits.size());
    if (!m_filterNote.isEmpty()) {
        const QString filtered = tr("Filtered: %1.").arg(m_filterNote);
        message = message.isEmpty() ? filtered : filtered + u' ' + message;
    }
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
    m_list->setVisible(m_list->count() > 0);
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);

    if (message.isEmpty() && m_list->count() == 0)
        hideResults();
    else if (hasFocus() || m_popup->isVisible())
        showResults();
}

void SearchField::showResults()
{
    QWidget *window = this->window();
    const int wanted = std::max(width(), fontMetrics().averageCharWidth() * 80);
    const int popupWidth = std::min(wanted, std::max(width(), window->width() - 16));
    int listHeight = 0;
    if (m_list->count() > 0) {
        const int row = m_list->sizeHintForRow(0);
        listHeight = row * std::min(int(m_list->count()), visibleRows) + 2;
    }
    m_list->setFixedHeight(listHeight);
    m_popup->setFixedWidth(popupWidth);
    m_popup->adjustSize();

    // Under the field, right edges lined up, and on the screen.
    QPoint at = mapToGlobal(QPoint(width() - popupWidth, height() + 1));
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - popupWidth)));
    }
    m_popup->move(at);
    if (!m_popup->isVisible())
        m_popup->show();
}

void SearchField::hideResults()
{
    if (m_popup->isVisible())
        m_popup->hide();
}

void SearchField::openRow(int row)
{
    QListWidgetItem *item = m_list->item(row);
    if (!item)
        return;
    m_list->setCurrentRow(row);
    hideResults();
    Q_EMIT openRequested(item->data(PageRole).toString(), m_terms);
}

void SearchField::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
        if (m_pause.isActive())
            searchNow();
        if (m_list->count() > 0) {
            showResults();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_pause.isActive())
            searchNow();
        if (m_list->count() > 0) {
            openRow(std::max(0, m_list->currentRow()));
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

// While the results are up they hold the keyboard: moving and choosing keys
// act on the list, everything else is typing and goes to the field.
bool SearchField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_popup || event->type() != QEvent::KeyPress)
        return QLineEdit::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const int last = int(m_list->count()) - 1;
    const int row = m_list->currentRow();
    switch (key->key()) {
    case Qt::Key_Up:
        m_list->setCurrentRow(std::max(0, row - 1));
        return true;
    case Qt::Key_Down:
        m_list->setCurrentRow(std::min(last, row + 1));
        return true;
    case Qt::Key_PageUp:
        m_list->setCurrentRow(std::max(0, row - (visibleRows - 1)));
        return true;
    case Qt::Key_PageDown:
        m_list->setCurrentRow(std::min(last, row + (visibleRows - 1)));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_pause.isActive())
            searchNow();
        openRow(std::max(0, m_list->currentRow()));
        return true;
    case Qt::Key_Escape:
        hideResults();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        hideResults();
        QApplication::sendEvent(this, event);
        return true;
    default:
        QApplication::sendEvent(this, event);
        return true;
    }
}

} // namespace tarn
