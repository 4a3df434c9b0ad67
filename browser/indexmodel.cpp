// Velmora: the index list as a model over the embedded list text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "indexmodel.h"

#include "lookup.h"
#include "utils.h"

#include <QPixmap>

#include <numeric>

namespace tarn {

IndexModel::IndexModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void IndexModel::setListText(const QString &text)
{
    setTable(IndexTable::fromText(text));
}

void IndexModel::setTable(IndexTable table)
{
    beginResetModel();
    m_table = std::move(table);
    m_shown.resize(m_table.rows.size());
    std::iota(m_shown.begin(), m_shown.end(), 0);
    m_filter.clear();
    endResetModel();
}

void IndexModel::setFilter(const QString &text)
{
    if (text == m_filter)
        return;
    QVector<int> shown;
    // "QString::arg" or "QString arg": the members of that class, by name.
    const std::optional<QualifiedName> qualified = qualifiedName(text);
    if (qualified && isClassName(qualified->className)) {
        for (int row = 0; row < m_table.rows.size(); ++row) {
            if (m_table.rows.at(row).member
                && isMemberEntryOf(view(m_table.rows.at(row).name), *qualified))
                shown.append(row);
        }
    } else if (text.isEmpty()) {
        shown.resize(m_table.rows.size());
        std::iota(shown.begin(), shown.end(), 0);
    } else {
        // Typing more can only hide entries: look only at those still shown.
        const bool narrowing = !m_filter.isEmpty() && !qualifiedName(m_filter)
            && text.contains(m_filter, Qt::CaseInsensitive);
        const auto matches = [this, &text](int row) {
            return view(m_table.rows.at(row).name).contains(text, Qt::CaseInsensitive);
        };
        if (narrowing) {
            for (const int row : std::as_const(m_shown)) {
                if (matches(row))
                    shown.append(row);
            }
        } else {
            for (int row = 0; row < m_table.rows.size(); ++row) {
                if (matches(row))
                    shown.append(row);
            }
        }
    }
    m_filter = text;
    beginResetModel();
    m_shown = std::move(shown);
    endResetModel();
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

QStringView IndexModel::nameAt(int position) const
{
    return view(m_table.rows.at(position).name);
}

QStringView IndexModel::targetAt(int position) const
{
    return view(m_table.rows.at(position).target);
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
    case Qt::ToolTipRole:
        return view(r.name).toString();
    case Qt::DecorationRole:
        return iconFor(view(r.kind));
    case TargetRole:
        return view(r.target).toString();
    case KindRole:
        return view(r.kind).toString();
    default:
        return {};
    }
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

} // namespace tarn
