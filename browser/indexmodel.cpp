// Velmora: the index list as a model over the embedded list text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "indexmodel.h"

#include "lookup.h"
#include "utils.h"

#include <QPixmap>

#include <algorithm>
#include <numeric>

namespace tarn {

namespace {

// Where "===" starts in `text` from `from` on, or -1. A search for the one
// character first is much the faster: the lists are long and "=" is rare.
qsizetype findSeparator(QStringView text, qsizetype from = 0)
{
    for (;;) {
        const qsizetype at = text.indexOf(u'=', from);
        if (at < 0 || text.mid(at, 3) == u"===")
            return at;
        from = at + 1;
    }
}

// Writes `name` case-folded at `out`: ASCII directly, anything else as QChar
// folds it (one unit for one, so the length stays).
QChar *writeFolded(QChar *out, QStringView name)
{
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            *out++ = QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
        else
            *out++ = c.toCaseFolded();
    }
    return out;
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
    // Names case-folded, one after the other, for the sort below.
    QString folded(m_text.size(), Qt::Uninitialized);
    QChar *foldedEnd = folded.data();
    QVector<Span> foldedNames;
    foldedNames.reserve(lines.size());
    for (const QStringView line : lines) {
        // name===target===kind; the codec's field rules, without copying.
        Row row;
        const qsizetype first = findSeparator(line);
        const QStringView name = first < 0 ? line : line.left(first);
        QStringView rest = first < 0 ? QStringView() : line.mid(first + 3);
        const qsizetype second = findSeparator(rest);
        const QStringView target = second < 0 ? rest : rest.left(second);
        QStringView kind = second < 0 ? QStringView() : rest.mid(second + 3);
        if (const qsizetype third = findSeparator(kind); third >= 0)
            kind = kind.left(third);
        row.name = spanOf(name);
        row.target = spanOf(target);
        row.kind = spanOf(kind);
        row.member = target.contains(u'#');
        row.folded = int(foldedNames.size());
        foldedNames.append(Span{int(foldedEnd - folded.constData()), int(name.size())});
        foldedEnd = writeFolded(foldedEnd, name);
        m_rows.append(row);
    }
    // Class entries before member entries, as the display key says; within
    // each, names case-folded, exact order breaking ties. Comparing folded
    // copies makes each comparison a plain one: the sort was most of the
    // cost of filling the list.
    const auto foldedName = [&folded, &foldedNames](const Row &row) {
        const Span span = foldedNames.at(row.folded);
        return QStringView(folded).mid(span.start, span.length);
    };
    std::stable_sort(m_rows.begin(), m_rows.end(), [this, &foldedName](const Row &a, const Row &b) {
        if (a.member != b.member)
            return b.member;
        const int byFolded = foldedName(a).compare(foldedName(b));
        return byFolded != 0 ? byFolded < 0 : view(a.name).compare(view(b.name)) < 0;
    });
    m_shown.resize(m_rows.size());
    std::iota(m_shown.begin(), m_shown.end(), 0);
    m_classNames.clear();
    for (const Row &row : std::as_const(m_rows)) {
        if (!row.member)
            m_classNames.insert(view(row.name).toString().toCaseFolded());
    }
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
        for (int row = 0; row < m_rows.size(); ++row) {
            if (m_rows.at(row).member && isMemberEntryOf(view(m_rows.at(row).name), *qualified))
                shown.append(row);
        }
    } else if (text.isEmpty()) {
        shown.resize(m_rows.size());
        std::iota(shown.begin(), shown.end(), 0);
    } else {
        // Typing more can only hide entries: look only at those still shown.
        const bool narrowing = !m_filter.isEmpty() && !qualifiedName(m_filter)
            && text.contains(m_filter, Qt::CaseInsensitive);
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

bool IndexModel::isClassName(const QString &name) const
{
    return m_classNames.contains(name.toCaseFolded());
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

QStringView IndexModel::nameAt(int position) const
{
    return view(m_rows.at(position).name);
}

QStringView IndexModel::targetAt(int position) const
{
    return view(m_rows.at(position).target);
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
