// Velmora: the index list as a model over the embedded list text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listformat.h"
#include "listtables.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QString>
#include <QVector>

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
    };

    explicit IndexModel(QObject *parent = nullptr);

    // Takes the text of index.lst and puts its entries in display order:
    // classes before members, names case-folded, exact order breaking ties.
    void setListText(const QString &text);
    // Takes an index already parsed, on another thread say.
    void setTable(IndexTable table);

    // Shows the entries whose name holds `text`, in any case; the empty text
    // shows every entry. A class and member as developers write them,
    // "QString::arg" or "QString arg", shows that class's members whose names
    // start so, in the list's order.
    void setFilter(const QString &text);
    // Whether the index lists a class of that name, in any case.
    bool isClassName(const QString &name) const;
    QString filter() const;

    // Entries shown, and all of them.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int entryCount() const;
    IndexEntry entry(int row) const;
    // Any entry, shown or not, by its place in the display order; a view
    // into the list text.
    QStringView nameAt(int position) const;
    QStringView targetAt(int position) const;

    QVariant data(const QModelIndex &index, int role) const override;

private:
    QStringView view(IndexTable::Span span) const { return m_table.view(span); }
    QIcon iconFor(QStringView kind) const;

    IndexTable m_table;
    QVector<int> m_shown; // rows of the table that pass the filter, in order
    QString m_filter;
    mutable QHash<QString, QIcon> m_icons;
};

} // namespace tarn
