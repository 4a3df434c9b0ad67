// Velmora: the row at the top of the window that holds the search field.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QToolBar>

namespace tarn {

class SearchField;

// A fixed bar with the search field at its right end. The navigation
// toolbar has no room left at the window's default size, so the field gets
// a row of its own across the window, where it is always in view.
class SearchBar : public QToolBar
{
    Q_OBJECT

public:
    explicit SearchBar(QWidget *parent = nullptr);

    SearchField *field() const { return m_field; }

private:
    SearchField *m_field;
};

} // namespace tarn
