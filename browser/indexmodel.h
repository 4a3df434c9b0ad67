// Velmora: the index list as a model over the embedded list text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listformat.h"
#include "listtables.h"
#include "lookup.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QString>
#include <QStyledItemDelegate>
#include <QVector>

#include <functional>

namespace tarn {

// Every class and member of index.lst in display order, narrowed by a filter.
// The rows are views into the one list text, read when painted: building
// twenty thousand item objects at start cost more than everything else the
// window does before its first paint, and every keystroke relaid them out.
class IndexModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        TargetRole = Qt::UserRole, // "page.html#anchor"
        KindRole,                  // "+f", "C", ... or empty
        // For a row whose name another row shows too, what tells them
        // apart: the parameter list, "(qlonglong a, int fieldWidth)", or
        // what the entry is, "property". Empty for every other row.
        DetailRole,
        // "6.2" for an entry new in the Qt 6 series, else empty.
        SinceRole,
        DeprecatedRole, // bool
    };

    explicit IndexModel(QObject *parent = nullptr);

    // Takes the text of index.lst and puts its entries in display order:
    // classes before members, names case-folded, exact order breaking ties.
    void setListText(const QString &text);
    // Takes an index already parsed, on another thread say. What entries.lst
    // adds to it (`details`, when given) is asked for only when the model
    // first needs it, to filter or to tell twins apart: showing the list
    // needs none of it.
    using DetailSource = std::function<IndexDetails(const IndexTable &)>;
    void setTable(IndexTable table, DetailSource details = {});

    // Shows the entries whose name holds `text`, in any case, as indexRows
    // orders them: the entries of that very name first; the empty text shows
    // every entry. A class and member as developers write them,
    // "QString::arg" or "QString arg", shows that class's members whose names
    // start so, in the list's order.
    void setFilter(const QString &text);
    // Narrows the list further, by kind, version and deprecation, with the
    // text or without it.
    void setEntryFilter(const IndexFilter &filter);
    IndexFilter entryFilter() const;
    // Whether the index lists a class of that name, in any case.
    bool isClassName(const QString &name) const;
    QString filter() const;

    // Entries shown, and all of them.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int entryCount() const;
    IndexEntry entry(int row) const;
    // The row of the table a shown row is, -1 for none.
    int tableRow(int row) const { return row >= 0 && row < m_shown.size() ? m_shown.at(row) : -1; }

    // The whole index with its details, for lookups by name.
    const IndexTable &table() const;
    // Whether the details are in, so that asking for them costs nothing.
    bool hasDetails() const { return !m_pendingDetails; }
    // The row of the table whose target that is, -1 for none.
    int tableRowOf(const QString &target) const;

    QVariant data(const QModelIndex &index, int role) const override;

private:
    QStringView view(IndexTable::Span span) const { return m_table.view(span); }
    QUtf8StringView view(IndexTable::ByteSpan span) const { return m_table.view(span); }
    QIcon iconFor(QStringView kind) const;
    void takeDetails() const;
    void refilter(const QString &text);

    // Its details come late, but change nothing a view has been told.
    mutable IndexTable m_table;
    mutable DetailSource m_pendingDetails;
    QString detail(int tableRow) const;
    mutable QHash<QByteArrayView, int> m_rowsByTarget; // UTF-8 targets

    QVector<int> m_shown; // rows of the table that pass the filter, in order
    // The rows the filter's text matches, in lookup order; what typing on
    // narrows. Not kept for the empty text and a class's members.
    QVector<int> m_matches;
    bool m_matchesKept = false;
    QString m_filter;
    IndexFilter m_entryFilter;
    mutable QHash<QString, QIcon> m_icons;
};

// "6.2" for an entry new in the Qt 6 series; empty for any other.
QString newInSeries(const IndexTable::Row &row);
QString newInSeries(quint16 since);
// What a row's tool tip adds for its version: "Since Qt 6.2", "Deprecated",
// one a line; empty for neither.
QString versionNote(const QString &since, bool deprecated);

// Draws a row's background and its "6.2", small and light, at its right
// end; returns `option` with the room left for the name. `styled` is the
// option as the delegate initialised it for the row. Nothing is drawn for
// no mark.
QStyleOptionViewItem paintVersionMark(QPainter *painter, const QStyleOptionViewItem &option,
                                      const QStyleOptionViewItem &styled, const QString &mark);
// A deprecated row reads struck through and dimmed.
void markDeprecated(QStyleOptionViewItem *option);

// An index row: icon and name, then for overloads, in a lighter colour,
// what tells the row from its twins. As wide as the list, the name cut with
// "..." where the list is narrower: a list view never makes a row narrower
// than the row's own hint.
class IndexRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

} // namespace tarn
