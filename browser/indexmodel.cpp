// Velmora: the index list as a model over the embedded list text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "indexmodel.h"

#include "utils.h"

#include <QPixmap>

#include <algorithm>
#include <numeric>

namespace tarn {

namespace {

// Class entries ("1") before member entries ("2"), as the display key says;
// within each, names case-folded, exact order breaking ties.
bool displayLess(bool memberA, QStringView a, bool memberB, QStringView b)
{
    if (memberA != memberB)
        return memberB;
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.compare(b, Qt::CaseSensitive) < 0;
}

} // namespace

IndexModel::IndexModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

QStringView IndexModel::view(Span span) const
{
    return QStringView(m_text).mid(span.start, span.length);
}

void IndexModel::setListText(const QString &text)
{
    beginResetModel();
    m_text = text;
    m_rows.clear();
    const QStringView all(m_text);
    const QList<QStringView> lines = splitListLines(all);
    m_rows.reserve(lines.size());
    const auto spanOf = [&all](QStringView part) {
        return Span{int(part.data() - all.data()), int(part.size())};
    };
    for (const QStringView line : lines) {
        // name===target===kind; the codec's field rules, without copying.
        Row row;
        const qsizetype first = line.indexOf(u"===");
        const QStringView name = first < 0 ? line : line.left(first);
        QStringView rest = first < 0 ? QStringView() : line.mid(first + 3);
        const qsizetype second = rest.indexOf(u"===");
        const QStringView target = second < 0 ? rest : rest.left(second);
        QStringView kind = second < 0 ? QStringView() : rest.mid(second + 3);
        if (const qsizetype third = kind.indexOf(u"==="); third >= 0)
            kind = kind.left(third);
        row.name = spanOf(name);
        row.target = spanOf(target);
        row.kind = spanOf(kind);
        m_rows.append(row);
    }
    std::stable_sort(m_rows.begin(), m_rows.end(), [this](const Row &a, const Row &b) {
        return displayLess(view(a.target).contains(u'#'), view(a.name),
                           view(b.target).contains(u'#'), view(b.name));
    });
    m_shown.resize(m_rows.size());
    std::iota(m_shown.begin(), m_shown.end(), 0);
    m_filter.clear();
    endResetModel();
}

void IndexModel::setFilter(const QString &text)
{
    if (text == m_filter)
        return;
    // Typing more can only hide entries: look only at those still shown.
    const bool narrowing = !m_filter.isEmpty() && text.contains(m_filter, Qt::CaseInsensitive);
    QVector<int> shown;
    if (text.isEmpty()) {
        shown.resize(m_rows.size());
        std::iota(shown.begin(), shown.end(), 0);
    } else {
        const auto matches = [this, &text](int row) {
            return view(m_rows.at(row).name).contains(text, Qt::CaseInsensitive);
        };
        if (narrowing) {
            for (const int row : std::as_const(m_shown)) {
                if (matches(row))
                    shown.append(row);
            }
        } else {
            for (int row = 0; row < m_rows.size(); ++row) {
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
    return int(m_rows.size());
}

IndexEntry IndexModel::entry(int row) const
{
    if (row < 0 || row >= m_shown.size())
        return {};
    const Row &r = m_rows.at(m_shown.at(row));
    return {view(r.name).toString(), view(r.target).toString(), view(r.kind).toString()};
}

QVariant IndexModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown.size())
        return {};
    const Row &r = m_rows.at(m_shown.at(index.row()));
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
            icon = QIcon(Utils::icon(name));
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
