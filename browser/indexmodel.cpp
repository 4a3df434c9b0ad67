// Velmora: the index list as a model over the embedded list text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "indexmodel.h"

#include "lookup.h"
#include "utils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

#include <numeric>
#include <utility>

namespace tarn {

IndexModel::IndexModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void IndexModel::setListText(const QString &text)
{
    setTable(IndexTable::fromText(text));
}

void IndexModel::setTable(IndexTable table, DetailSource details)
{
    beginResetModel();
    m_table = std::move(table);
    m_rowsByTarget.clear();
    m_pendingDetails = std::move(details);
    m_shown.resize(m_table.rows.size());
    std::iota(m_shown.begin(), m_shown.end(), 0);
    m_matches.clear();
    m_matchesKept = false;
    m_filter.clear();
    endResetModel();
    if (m_entryFilter.isActive())
        refilter(QString());
}

void IndexModel::takeDetails() const
{
    if (!m_pendingDetails)
        return;
    const DetailSource details = std::exchange(m_pendingDetails, DetailSource());
    m_table.setDetails(details(m_table));
}

const IndexTable &IndexModel::table() const
{
    takeDetails();
    return m_table;
}

void IndexModel::setFilter(const QString &text)
{
    if (text == m_filter)
        return;
    refilter(text);
}

void IndexModel::setEntryFilter(const IndexFilter &filter)
{
    if (filter == m_entryFilter)
        return;
    m_entryFilter = filter;
    refilter(m_filter);
}

IndexFilter IndexModel::entryFilter() const
{
    return m_entryFilter;
}

void IndexModel::refilter(const QString &text)
{
    takeDetails();
    QVector<int> shown;
    const std::optional<QualifiedName> qualified = qualifiedName(text);
    if (text.isEmpty() || (qualified && isClassName(qualified->className))) {
        shown = indexRows(m_table, text, m_entryFilter);
        m_matches.clear();
        m_matchesKept = false;
    } else {
        // Typing more can only hide entries: look only at those still matched.
        const bool narrowing = m_matchesKept && text.contains(m_filter, Qt::CaseInsensitive);
        m_matches = matchingRows(m_table, text, narrowing ? &m_matches : nullptr);
        m_matchesKept = true;
        shown = groupedRows(m_table, text, filteredRows(m_table, m_matches, m_entryFilter));
    }
    m_filter = text;
    beginResetModel();
    m_shown = std::move(shown);
    endResetModel();
}

int IndexModel::tableRowOf(const QString &target) const
{
    if (m_rowsByTarget.isEmpty()) {
        m_rowsByTarget.reserve(m_table.rows.size());
        // The first of rows that share a target: the one the list shows first.
        for (int row = int(m_table.rows.size()) - 1; row >= 0; --row) {
            const QUtf8StringView bytes = view(m_table.rows.at(row).target);
            m_rowsByTarget.insert(QByteArrayView(bytes.data(), bytes.size()), row);
        }
    }
    return m_rowsByTarget.value(target.toUtf8(), -1);
}

bool IndexModel::isClassName(const QString &name) const
{
    return m_table.classNames.contains(name.toCaseFolded());
}

QString IndexModel::filter() const
{
    return m_filter;
}

int IndexModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int IndexModel::entryCount() const
{
    return int(m_table.rows.size());
}

IndexEntry IndexModel::entry(int row) const
{
    if (row < 0 || row >= m_shown.size())
        return {};
    const IndexTable::Row &r = m_table.rows.at(m_shown.at(row));
    return {view(r.name).toString(), view(r.target).toString(), view(r.kind).toString()};
}

QVariant IndexModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return {};
    const IndexTable::Row &r = m_table.rows.at(m_shown.at(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        return view(r.name).toString();
    case Qt::ToolTipRole: {
        QString tip = r.twin ? view(r.name) + QLatin1String("  ") + detail(m_shown.at(index.row()))
                             : view(r.name).toString();
        takeDetails();
        const IndexTable::Row &known = m_table.rows.at(m_shown.at(index.row()));
        if (const QString note = versionNote(newInSeries(known), known.deprecated); !note.isEmpty())
            tip += u'\n' + note;
        return tip;
    }
    case SinceRole:
        takeDetails();
        return newInSeries(m_table.rows.at(m_shown.at(index.row())));
    case DeprecatedRole:
        takeDetails();
        return m_table.rows.at(m_shown.at(index.row())).deprecated;
    case DetailRole:
        return r.twin ? detail(m_shown.at(index.row())) : QString();
    case Qt::DecorationRole:
        return iconFor(view(r.kind).toString());
    case TargetRole:
        return view(r.target).toString();
    case KindRole:
        return view(r.kind).toString();
    default:
        return {};
    }
}

QString IndexModel::detail(int tableRow) const
{
    takeDetails();
    const QString parameters = m_table.parameters(tableRow);
    return parameters.isEmpty() ? m_table.what(tableRow) : parameters;
}

// Entries without a kind get a blank icon of the same size, so every name
// starts in the same column.
QIcon IndexModel::iconFor(QStringView kind) const
{
    const QString name = kindIconName(kind);
    auto it = m_icons.find(name);
    if (it == m_icons.end()) {
        QIcon icon;
        if (!name.isEmpty())
            icon = Utils::iconSet(name);
        if (icon.isNull()) {
            QPixmap blank(16, 16);
            blank.fill(Qt::transparent);
            icon = QIcon(blank);
        }
        it = m_icons.insert(name, icon);
    }
    return it.value();
}

QString newInSeries(const IndexTable::Row &row)
{
    return newInSeries(row.since);
}

QString newInSeries(quint16 since)
{
    if (since < 600 || since >= 700)
        return QString();
    return QStringLiteral("%1.%2").arg(since / 100).arg(since % 100);
}

QString versionNote(const QString &since, bool deprecated)
{
    QStringList lines;
    if (!since.isEmpty())
        lines.append(QCoreApplication::translate("tarn::IndexModel", "Since Qt %1").arg(since));
    if (deprecated)
        lines.append(QCoreApplication::translate("tarn::IndexModel", "Deprecated"));
    return lines.join(u'\n');
}

namespace {

QColor lightText(const QStyleOptionViewItem &opt, qreal alpha)
{
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
        : opt.state & QStyle::State_Active                                  ? QPalette::Active
                                                                            : QPalette::Inactive;
    QColor colour = opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    colour.setAlphaF(selected ? std::min(1.0, alpha + 0.2) : alpha);
    return colour;
}

} // namespace

QStyleOptionViewItem paintVersionMark(QPainter *painter, const QStyleOptionViewItem &option,
                                      const QStyleOptionViewItem &styled, const QString &mark)
{
    QStyleOptionViewItem named = option;
    if (mark.isEmpty())
        return named;
    // The row's background goes under the mark too.
    const QStyle *style = styled.widget ? styled.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &styled, painter, styled.widget);
    QFont font = styled.font;
    font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.8));
    const QFontMetrics metrics(font);
    const int margin = metrics.averageCharWidth();
    const int width = metrics.horizontalAdvance(mark) + 2 * margin;
    const QRect room(option.rect.right() - width, option.rect.top(), width, option.rect.height());
    painter->save();
    painter->setFont(font);
    painter->setPen(lightText(styled, 0.6));
    painter->drawText(room, Qt::AlignCenter, mark);
    painter->restore();
    named.rect.setRight(option.rect.right() - width);
    return named;
}

void markDeprecated(QStyleOptionViewItem *option)
{
    option->font.setStrikeOut(true);
    const QColor dim = lightText(*option, 0.55);
    option->palette.setColor(QPalette::Text, dim);
    option->palette.setColor(QPalette::HighlightedText, lightText(*option, 0.8));
}

void IndexRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(IndexModel::DeprecatedRole).toBool())
        markDeprecated(option);
}

QSize IndexRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return {1, QStyledItemDelegate::sizeHint(option, index).height()};
}

void IndexRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QStyleOptionViewItem styled = option;
    initStyleOption(&styled, index);
    // The name gives way to the mark at its right.
    const QStyleOptionViewItem named =
        paintVersionMark(painter, option, styled, index.data(IndexModel::SinceRole).toString());
    QStyledItemDelegate::paint(painter, named, index);
    const QString detail = index.data(IndexModel::DetailRole).toString();
    if (detail.isEmpty())
        return;
    QStyleOptionViewItem opt = named;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    // Where the style drew the name, with its margin, and the room after it.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QFontMetrics metrics(opt.font);
    const int nameEnd = text.left() + margin + metrics.horizontalAdvance(opt.text);
    const QRect room(nameEnd + metrics.horizontalAdvance(QLatin1String("  ")), text.top(),
                     text.right() - margin - nameEnd, text.height());
    if (room.width() < metrics.averageCharWidth() * 3)
        return;
    const QColor colour = lightText(opt, 0.55);
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(colour);
    painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(detail, Qt::ElideRight, room.width()));
    painter->restore();
}

} // namespace tarn
