// Velmora: the search field of the window, with its list of results.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "lookup.h"
#include "querytranslator.h"

#include <QIcon>
#include <QLineEdit>
#include <QTimer>

#include <functional>

class QAction;
class QFrame;
class QLabel;
class QListWidget;

namespace tarn {

class SearchIndex;

// A line edit that searches every page as the reader types. The best pages
// appear in a list under it, each a title over a line of the page with the
// hit words in bold; Up, Down, Return or a click opens one. Ctrl+Shift+F, in
// the window the field is in, puts the cursor in it.
class SearchField : public QLineEdit
{
    Q_OBJECT

public:
    explicit SearchField(QWidget *parent = nullptr);
    ~SearchField() override;

    // The index searched: the one built into the program unless set.
    void setIndex(SearchIndex *index);

    // What answers which entries of the API a query names; their rows come
    // before the text hits. None unless set.
    using NameSource = std::function<QVector<ApiMatch>(const QString &query)>;
    void setNameSource(NameSource names);

    // Which pages' text hits may show: all unless set.
    using PageFilter = std::function<bool(const QString &page)>;
    void setPageFilter(PageFilter pages);

    // Says that a filter narrows what the search shows ("Signals; up to Qt
    // 6.3"), in the empty field and over the results; empty for none.
    void setFilterNote(const QString &note);
    QString filterNote() const { return m_filterNote; }

    // Searches now rather than after the pause in typing.
    void searchNow();

    // The list of results, its message line and the window that holds both.
    QListWidget *resultsList() const { return m_list; }
    QLabel *messageLabel() const { return m_message; }
    QFrame *resultsPopup() const { return m_popup; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // The reader chose a result: show the page and mark the terms in it. A
    // page with an anchor is an entry of the API, to be shown at the anchor.
    void openRequested(const QString &page, const QList<tarn::SearchTerm> &terms);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showClearButton(const QString &text);
    void scheduleSearch();
    void showResults();
    void hideResults();
    void openRow(int row);
    SearchIndex *index() const;

    QTimer m_pause;
    QAction *m_clear = nullptr;
    QIcon m_clearIcon;
    QFrame *m_popup = nullptr;
    QLabel *m_message = nullptr;
    QListWidget *m_list = nullptr;
    SearchIndex *m_index = nullptr;
    NameSource m_names;
    PageFilter m_pages;
    QString m_filterNote;
    QList<SearchTerm> m_terms;
};

} // namespace tarn
