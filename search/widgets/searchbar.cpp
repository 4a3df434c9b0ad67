// Velmora: the row at the top of the window that holds the search field.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchbar.h"

#include "searchfield.h"

namespace tarn {

SearchBar::SearchBar(QWidget *parent)
    : QToolBar(tr("Search"), parent)
    , m_field(new SearchField(this))
{
    setObjectName(QStringLiteral("searchToolbar"));
    setMovable(false);
    setFloatable(false);
    // No menu to hide it: there would be no way to bring it back.
    setContextMenuPolicy(Qt::PreventContextMenu);
    auto *stretch = new QWidget(this);
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(stretch);
    addWidget(m_field);
}

} // namespace tarn
