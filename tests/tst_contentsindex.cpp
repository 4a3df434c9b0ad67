// Velmora: tests of the contents, members and index lists and the index filter.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "embeddedfiles.h"
#include "indexmodel.h"
#include "listformat.h"
#include "listreader.h"
#include "listtables.h"
#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"
#include "pagename.h"

#include <QHash>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstring>

using namespace tarn;

namespace {

QString embeddedText(const char *name)
{
    int length = 0;
    const unsigned char *stored = findEmbeddedFile(name, &length);
    return stored ? QString::fromUtf8(qUncompress(stored, length)) : QString();
}

QTreeWidgetItem *findItem(QTreeWidget *view, const QString &name, int column = 0)
{
    const QList<QTreeWidgetItem *> found = view->findItems(name, Qt::MatchExactly, column);
    return found.value(0);
}

void clickItem(QTreeWidget *view, QTreeWidgetItem *item)
{
    view->scrollToItem(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
}

// The index row whose name (or, by role, target) is `value`; -1 when none.
int indexRow(QListView *view, const QString &value, int role = Qt::DisplayRole)
{
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data(role).toString() == value)
            return row;
    }
    return -1;
}

void clickRow(QListView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QStringList memberNames(QTreeWidget *view)
{
    QStringList names;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        names.append(view->topLevelItem(i)->text(0) + QLatin1Char('|')
                     + view->topLevelItem(i)->text(1));
    return names;
}

// Every index entry in display order: classes before members, names case
// folded, exact order breaking ties.
QList<IndexEntry> indexInDisplayOrder()
{
    const QString text = embeddedText("index.lst");
    QList<IndexEntry> entries;
    for (const QStringView line : splitListLines(text))
        entries.append(parseIndexLine(line));
    std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry &a, const IndexEntry &b) {
        const QString ka = indexSortKey(a);
        const QString kb = indexSortKey(b);
        const int folded = ka.compare(kb, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : ka < kb;
    });
    return entries;
}

// The group of the Index's order a match of `text` falls in: its name is
// the text; a class; a member whose name starts so; any other.
int filterGroup(const IndexEntry &entry, const QString &text)
{
    const bool member = entry.target.contains(u'#');
    const QString bare = member ? entry.name.section(QStringLiteral(" ("), 0, -2) : entry.name;
    if (bare == text || entry.name == text)
        return 0;
    if (!member)
        return 1;
    return bare.startsWith(text, Qt::CaseInsensitive) ? 2 : 3;
}

// The rows a reader sees, as "name|target".
QStringList shownRows(QListView *view)
{
    QStringList rows;
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        rows.append(index.data().toString() + QLatin1Char('|')
                    + index.data(IndexModel::TargetRole).toString());
    }
    return rows;
}

// Whether the first row is the one chosen, and in view.
bool firstRowChosenAndShown(QListView *view)
{
    const QModelIndex first = view->model()->index(0, 0);
    return view->currentIndex() == first && view->selectionModel()->isSelected(first)
        && view->viewport()->rect().intersects(view->visualRect(first));
}

// The filter, recomputed from scratch over the whole list file: the view must
// show exactly the entries whose name holds the text, with the first one
// selected, in the four groups of filterGroup, each in display order but for
// the entries of one name, which the lookup orders itself.
QString filterMismatch(QListView *view, const QList<IndexEntry> &all, const QString &text)
{
    QStringList wanted;
    QHash<QString, int> groupOf;
    QHash<QString, int> displayPlace;
    for (const IndexEntry &entry : all) {
        if (entry.name.contains(text, Qt::CaseInsensitive)) {
            const QString row = entry.name + QLatin1Char('|') + entry.target;
            // A property and its getter may read the same, target and all.
            groupOf.insert(row, filterGroup(entry, text));
            if (!displayPlace.contains(row))
                displayPlace.insert(row, int(wanted.size()));
            wanted.append(row);
        }
    }
    std::stable_sort(wanted.begin(), wanted.end(), [&groupOf](const QString &a, const QString &b) {
        return groupOf.value(a) < groupOf.value(b);
    });
    const QStringList shown = shownRows(view);
    const auto bareFolded = [](const QString &row) {
        return row.section(QStringLiteral(" ("), 0, 0).section(u'|', 0, 0).toCaseFolded();
    };
    QStringList sameNamesInDisplayOrder = shown;
    // Only runs of one member name may leave the display order.
    for (qsizetype start = 0; start < sameNamesInDisplayOrder.size();) {
        qsizetype end = start + 1;
        while (end < sameNamesInDisplayOrder.size()
               && groupOf.value(shown.at(end)) == groupOf.value(shown.at(start))
               && bareFolded(shown.at(end)) == bareFolded(shown.at(start)))
            ++end;
        std::stable_sort(sameNamesInDisplayOrder.begin() + start,
                         sameNamesInDisplayOrder.begin() + end,
                         [&displayPlace](const QString &a, const QString &b) {
                             return displayPlace.value(a) < displayPlace.value(b);
                         });
        start = end;
    }
    if (sameNamesInDisplayOrder != wanted) {
        const QStringList &got = sameNamesInDisplayOrder;
        qsizetype i = 0;
        while (i < got.size() && i < wanted.size() && got.at(i) == wanted.at(i))
            ++i;
        return QStringLiteral("for \"%1\": %2 rows shown, %3 wanted; first difference at %4: "
                              "\"%5\" shown, \"%6\" wanted")
            .arg(text)
            .arg(got.size())
            .arg(wanted.size())
            .arg(i)
            .arg(got.value(i), wanted.value(i));
    }
    if (!wanted.isEmpty() && !firstRowChosenAndShown(view))
        return QStringLiteral("first match of \"%1\" is not the one selected and shown").arg(text);
    return QString();
}

// The last member of QBitmap, far enough down its page to scroll to, from
// the lists of whichever reference is embedded.
QString lastBitmapMember(MainWidget *form)
{
    QTreeWidgetItem *bitmap = findItem(form->classesView, QStringLiteral("QBitmap"));
    const QList<ContentsMember> members =
        bitmap ? parseMemberList(bitmap->text(2)) : QList<ContentsMember>();
    return members.isEmpty() ? QString() : members.constLast().target;
}

} // namespace

class tst_ContentsIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear(); }

    // Parser cases the real lists do not contain.
    void lineEnds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("mixed ends")
            << QStringLiteral("a\r\nb\nc\r\nd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("lone CR stays in the line")
            << QStringLiteral("a\rb\r\nc") << QStringList{"a\rb", "c"};
        QTest::newRow("CR at the very end") << QStringLiteral("x\r") << QStringList{"x"};
        QTest::newRow("blank lines") << QStringLiteral("\r\n\n") << QStringList{"", ""};
        QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\n") << QStringList{"a\r"};
    }
    void lineEnds()
    {
        QFETCH(QString, text);
        QStringList lines;
        for (const QStringView line : splitListLines(text))
            lines.append(line.toString());
        QTEST(lines, "lines");
        // The contents reader splits the bytes of a list the same way; a line
        // without separators is all kind, and the empty names keep the order.
        QStringList classLines;
        for (const ContentsTable::Class &entry : ContentsTable::fromUtf8(text.toUtf8()).classes)
            classLines.append(entry.kind);
        QCOMPARE(classLines, lines);
    }

    // The window's table, read a line at a time with the member lists left
    // in the stored list, is the table of the whole list in memory, and
    // gives every class's members back, in any order.
    void storedContentsGiveEveryMemberList()
    {
        const ContentsTable whole = ContentsTable::fromUtf8(readEmbeddedFile("contents.lst"));
        const ContentsTable stored = tarn::readContentsTable();
        QVERIFY(whole.classes.size() > 500);
        QCOMPARE(stored.classes.size(), whole.classes.size());
        for (qsizetype i = whole.classes.size() - 1; i >= 0; --i) {
            const ContentsTable::Class &a = whole.classes.at(i);
            const ContentsTable::Class &b = stored.classes.at(i);
            QCOMPARE(b.name, a.name);
            QCOMPARE(b.page, a.page);
            QCOMPARE(b.kind, a.kind);
            QCOMPARE(stored.members(b), whole.members(a));
        }
        QVERIFY(stored.members(stored.classes.first()).contains(u"==="));
        // The classes came frozen with the program, not from a pass over the list.
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(velmora_frozen_contents),
                            qsizetype(embeddedFrozenContentsSize)),
                 whole.frozen());
        const auto *name =
            reinterpret_cast<const unsigned char *>(stored.classes.first().name.constData());
        QVERIFY(name >= velmora_frozen_contents
                && name < velmora_frozen_contents + embeddedFrozenContentsSize);
        // So did the members the window opens with.
        const auto *opening =
            reinterpret_cast<const unsigned char *>(stored.openingMembers.constData());
        QVERIFY(!stored.openingMembers.isEmpty());
        QVERIFY(opening >= velmora_frozen_contents
                && opening < velmora_frozen_contents + embeddedFrozenContentsSize);
    }

    // A frozen image gives back the table it was made of, and one whose
    // frame or spans do not fit is refused whole.
    void frozenContentsRoundTrip()
    {
        const QByteArray list = "class===QA===qa.html===+f===a()===qa.html#a===0;\n"
                                "===Empty===\n"
                                "struct===qb===qb.html\n";
        const ContentsTable parsed = ContentsTable::fromUtf8(list);
        const QByteArray image = parsed.frozen();
        // The program's images lie at a multiple of 16, as the build places them.
        QByteArray placed(image.size() + 16, '\0');
        const auto aligned = [&placed](const QByteArray &bytes) {
            char *at = placed.data() + (16 - quintptr(placed.constData()) % 16) % 16;
            std::memcpy(at, bytes.constData(), size_t(bytes.size()));
            return reinterpret_cast<const unsigned char *>(at);
        };
        ContentsTable frozen;
        QVERIFY(ContentsTable::fromFrozen(aligned(image), image.size(), &frozen));
        QCOMPARE(frozen.classes.size(), parsed.classes.size());
        for (qsizetype i = 0; i < parsed.classes.size(); ++i) {
            const ContentsTable::Class &a = parsed.classes.at(i);
            const ContentsTable::Class &b = frozen.classes.at(i);
            QCOMPARE(b.name, a.name);
            QCOMPARE(b.kind, a.kind);
            QCOMPARE(b.page, a.page);
            QCOMPARE(b.membersStart, a.membersStart);
            QCOMPARE(b.membersLength, a.membersLength);
            QCOMPARE(ContentsTable::members(*parsed.source, b), parsed.members(a));
        }
        const ContentsTable::Class &first = parsed.classes.first();
        QCOMPARE(frozen.openingMembers,
                 parsed.source->bytes(first.membersStart, first.membersLength));
        // Frozen again without its source, it carries the same opening list.
        QCOMPARE(frozen.frozen(), image);

        ContentsTable untouched;
        untouched.classes.append(ContentsTable::Class());
        const auto refused = [&](QByteArray bytes, qsizetype size) {
            return !ContentsTable::fromFrozen(aligned(bytes), size, &untouched)
                && untouched.classes.size() == 1;
        };
        QVERIFY(refused(image, image.size() - 1));
        QVERIFY(refused(image, 8));
        QByteArray otherMark = image;
        otherMark[0] = 'W';
        QVERIFY(refused(otherMark, otherMark.size()));
        // The first row's name (after the two member offsets and the
        // kind's span) pointed past the texts.
        QByteArray farSpan = image;
        const qint32 past = 1 << 20;
        std::memcpy(farSpan.data() + 32 + 16 + 8, &past, sizeof past);
        QVERIFY(refused(farSpan, farSpan.size()));
        // The opening list no longer the first class's whole list.
        QByteArray shortOpening = image;
        const qint64 shorter = first.membersLength - 1;
        std::memcpy(shortOpening.data() + 32 + 8, &shorter, sizeof shorter);
        QVERIFY(refused(shortOpening, shortOpening.size()));
        QVERIFY(!ContentsTable::fromFrozen(nullptr, 0, &untouched));
    }

    void memberList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries"); // kind|name|target
        QTest::newRow("class without members") << QString() << QStringList();
        QTest::newRow("closing only") << QStringLiteral(";") << QStringList();
        QTest::newRow("leading and doubled separators")
            << QStringLiteral(";;;;+f===a()===p.html#a===0;;;;-S===b()===p.html#b===1;")
            << QStringList{"+f|a()|p.html#a", "-S|b()|p.html#b"};
        QTest::newRow("unknown and class kinds kept as given")
            << QStringLiteral("+q===odd()===p.html#odd===0;;C===Cls===p.html#c===0;")
            << QStringList{"+q|odd()|p.html#odd", "C|Cls|p.html#c"};
        QTest::newRow("operators with = in the name")
            << QStringLiteral("+f===operator==(const X &o) const===x.html#operator-eq-eq===0;;"
                              "+f===operator=(X &&o)===x.html#operator-eq===1;")
            << QStringList{"+f|operator==(const X &o) const|x.html#operator-eq-eq",
                           "+f|operator=(X &&o)|x.html#operator-eq"};
        QTest::newRow("missing fields")
            << QStringLiteral("+f===a();;===b") << QStringList{"+f|a()|", "|b|"};
    }
    void memberList()
    {
        QFETCH(QString, text);
        QStringList entries;
        for (const ContentsMember &m : parseMemberList(text))
            entries.append(m.kind + QLatin1Char('|') + m.name + QLatin1Char('|') + m.target);
        QTEST(entries, "entries");
    }

    void lists_matchTheEmbeddedFiles()
    {
        Shell shell;
        MainWidget *form = shell.form();
        const QString contents = embeddedText("contents.lst");
        const QString index = embeddedText("index.lst");
        QCOMPARE(form->classesView->topLevelItemCount(), splitListLines(contents).size());
        QCOMPARE(form->indexView->model()->rowCount(), splitListLines(index).size());

        // Classes alphabetically, each with its page, members text and kind
        // icon; the members exactly as the list's line gives them.
        QHash<QString, QString> membersOf;
        for (const QStringView line : splitListLines(contents)) {
            const ContentsClass entry = parseContentsLine(line);
            membersOf.insert(entry.name + QLatin1Char('|') + entry.page, entry.members);
        }
        QStringList names;
        for (int i = 0; i < form->classesView->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = form->classesView->topLevelItem(i);
            names.append(item->text(0));
            QVERIFY2(item->text(1).endsWith(QLatin1String(".html")), qPrintable(item->text(0)));
            QVERIFY(!item->icon(0).isNull());
            QCOMPARE(item->text(2),
                     membersOf.value(item->text(0) + QLatin1Char('|') + item->text(1)));
        }
        for (qsizetype i = 1; i < names.size(); ++i)
            QVERIFY2(names.at(i - 1).compare(names.at(i), Qt::CaseInsensitive) <= 0,
                     qPrintable(names.at(i)));

        // Class entries first, then members, as the display order says.
        QCOMPARE(shownRows(form->indexView).size(), indexInDisplayOrder().size());
        QStringList inOrder;
        for (const IndexEntry &entry : indexInDisplayOrder())
            inOrder.append(entry.name + QLatin1Char('|') + entry.target);
        QCOMPARE(shownRows(form->indexView), inOrder);
        // An entry without a kind keeps a blank icon's room; one with a kind
        // shows its icon.
        const QAbstractItemModel *model = form->indexView->model();
        const int noKind = indexRow(form->indexView, QStringLiteral("AcceptMode (QFileDialog)"));
        QVERIFY(noKind >= 0);
        QVERIFY(model->index(noKind, 0).data(IndexModel::KindRole).toString().isEmpty());
        const QIcon blank = model->index(noKind, 0).data(Qt::DecorationRole).value<QIcon>();
        const int checkBox = indexRow(form->indexView, QStringLiteral("QCheckBox"));
        const QIcon kindIcon = model->index(checkBox, 0).data(Qt::DecorationRole).value<QIcon>();
        QCOMPARE(blank.actualSize(QSize(16, 16)), QSize(16, 16));
        QVERIFY(kindIcon.pixmap(16, 16).toImage() != blank.pixmap(16, 16).toImage());
    }

    // A start reads the lists on another thread while it builds the window;
    // the window must show the same lists as one that reads them itself.
    void listsReadAheadMatchListsReadInPlace()
    {
        const auto lists = [](Shell &shell) {
            QStringList rows;
            QTreeWidget *classes = shell.form()->classesView;
            for (int i = 0; i < classes->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *item = classes->topLevelItem(i);
                rows.append(item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|')
                            + item->text(2));
            }
            return rows + shownRows(shell.form()->indexView);
        };
        QStringList inPlace;
        {
            Shell shell;
            inPlace = lists(shell);
        }
        startReadingLists();
        startReadingLists();
        Shell readAhead;
        QCOMPARE(lists(readAhead), inPlace);
        // Taken once: the next window reads them itself.
        Shell next;
        QCOMPARE(lists(next), inPlace);
    }

    // A click on a class shows its page and replaces the members; a click
    // on a member goes to its anchor without reloading the page shown.
    void classAndMemberClicks()
    {
        Shell shell;
        MainWidget *form = shell.form();
        form->leftTabs->setCurrentIndex(0);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));

        QTreeWidgetItem *bitmap = findItem(form->classesView, QStringLiteral("QBitmap"));
        QVERIFY(bitmap);
        clickItem(form->classesView, bitmap);
        QCOMPARE(shell.currentSource(), QStringLiteral("qbitmap.html"));
        QCOMPARE(form->browser->source().toString(), QStringLiteral("qbitmap.html"));
        QStringList expected;
        for (const ContentsMember &m : parseMemberList(bitmap->text(2)))
            expected.append(m.name + QLatin1Char('|') + m.target);
        QStringList shown = memberNames(form->membersView);
        QCOMPARE(shown.size(), expected.size());
        std::sort(expected.begin(), expected.end());
        std::sort(shown.begin(), shown.end());
        QCOMPARE(shown, expected);

        const QString target = lastBitmapMember(form);
        QTreeWidgetItem *member = findItem(form->membersView, target, 1);
        QVERIFY(member);
        const QStringList members = memberNames(form->membersView);
        clickItem(form->membersView, member);
        QCOMPARE(shell.currentSource(), target);
        QVERIFY(!shell.isAnchorPending());
        QVERIFY(form->browser->verticalScrollBar()->value() > 0);
        QCOMPARE(memberNames(form->membersView), members);

        // The same member from another page loads the class page first.
        shell.load(QStringLiteral("index.html"));
        clickItem(form->membersView, member);
        QCOMPARE(form->browser->source().toString(), target);

        // A class without members empties the list.
        QTreeWidgetItem *bare = nullptr;
        for (int i = 0; i < form->classesView->topLevelItemCount() && !bare; ++i) {
            if (form->classesView->topLevelItem(i)->text(2).isEmpty())
                bare = form->classesView->topLevelItem(i);
        }
        QVERIFY(bare);
        clickItem(form->classesView, bare);
        QCOMPARE(shell.currentPage(), bare->text(1));
        QCOMPARE(form->membersView->topLevelItemCount(), 0);
    }

    // Only a click that comes from the classes list changes the members.
    void membersChangeOnlyFromClassesView()
    {
        Shell shell;
        MainWidget *form = shell.form();
        form->leftTabs->setCurrentIndex(1);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        const QStringList members = memberNames(form->membersView);
        QVERIFY(!members.isEmpty());

        // Direct calls, also through the meta-object.
        QTreeWidgetItem *bitmap = findItem(form->classesView, QStringLiteral("QBitmap"));
        QVERIFY(QMetaObject::invokeMethod(&shell, "itemClicked", Q_ARG(QTreeWidgetItem *, bitmap)));
        QCOMPARE(shell.currentSource(), QStringLiteral("qbitmap.html"));
        shell.itemClicked(findItem(form->classesView, QStringLiteral("QWidget")));
        QCOMPARE(shell.currentSource(), QStringLiteral("qwidget.html"));
        QCOMPARE(memberNames(form->membersView), members);

        // A click and Return in the index.
        clickRow(form->indexView, indexRow(form->indexView, QStringLiteral("QCheckBox")));
        QCOMPARE(shell.currentSource(), QStringLiteral("qcheckbox.html"));
        const QString target = lastBitmapMember(form);
        const int memberRow = indexRow(form->indexView, target, IndexModel::TargetRole);
        QVERIFY(memberRow >= 0);
        form->indexView->setCurrentIndex(form->indexView->model()->index(memberRow, 0));
        form->indexView->setFocus();
        QTest::keyClick(form->indexView, Qt::Key_Return);
        QCOMPARE(shell.currentSource(), target);
        QCOMPARE(memberNames(form->membersView), members);

        // Nothing under the mouse, or an entry without target, loads nothing.
        shell.itemClicked(nullptr);
        auto *empty = new QTreeWidgetItem(form->aboutView, {QStringLiteral("blank")});
        shell.itemClicked(empty);
        QCOMPARE(shell.currentSource(), target);
    }

    // Every keystroke leaves exactly the rows a fresh pass would, whether the
    // text grew, shrank, changed case or was replaced.
    void filterMatchesFreshPass()
    {
        Shell shell;
        MainWidget *form = shell.form();
        QLineEdit *edit = form->indexLineEdit;
        const QStringList steps = {
            "q",      "qw",       "qwi",      "qw",       "q",          "",         "set",
            "sett",   "settings", "SETTINGS", "Setting",  "sets",       "e",        "",
            "zzzzqx", "zzzz",     "z",        "checkbox", "CheckBoxes", "checkbox", ""};
        const QList<IndexEntry> all = indexInDisplayOrder();
        QString current;
        for (const QString &step : steps) {
            if (step.startsWith(current)) {
                QTest::keyClicks(edit, step.mid(current.size()));
            } else if (current.startsWith(step)) {
                for (qsizetype i = step.size(); i < current.size(); ++i)
                    QTest::keyClick(edit, Qt::Key_Backspace);
            } else {
                edit->setText(step);
            }
            current = step;
            QCOMPARE(edit->text(), step);
            const QString mismatch = filterMismatch(form->indexView, all, step);
            QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        }
        // Cleared: everything shows and the first row is selected.
        QVERIFY(firstRowChosenAndShown(form->indexView));
    }

    // A newly filled members list starts at its top, wherever the last one
    // was scrolled to.
    void membersStartAtTheirTop()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        MainWidget *form = shell.form();
        form->leftTabs->setCurrentWidget(form->tab);
        clickItem(form->classesView, findItem(form->classesView, QStringLiteral("QWidget")));
        QScrollBar *bar = form->membersView->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        clickItem(form->classesView, findItem(form->classesView, QStringLiteral("QObject")));
        QCOMPARE(bar->value(), 0);
    }

    // A keystroke that leaves the list as it was still chooses the first
    // match and brings it into view.
    void firstMatchIsAlwaysShown()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        MainWidget *form = shell.form();
        form->leftTabs->setCurrentWidget(form->tab_2);
        QListView *list = form->indexView;
        list->scrollToBottom();
        QTest::keyClicks(form->indexLineEdit, QStringLiteral("q"));
        QVERIFY(firstRowChosenAndShown(list));
        list->scrollToBottom();
        QTest::keyClick(form->indexLineEdit, Qt::Key_Backspace);
        QVERIFY(firstRowChosenAndShown(list));
    }

    // Developers type qualified names: "QString::arg" and "QString arg"
    // list that member of that class, in the index's order; a start of a
    // member's name lists those it starts.
    void qualifiedNamesFindTheirMembers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("member");
        QTest::newRow("Class::member") << "QString::arg"
                                       << "QString"
                                       << "arg";
        QTest::newRow("Class member") << "QString arg"
                                      << "QString"
                                      << "arg";
        QTest::newRow("any case") << "qstring::ARG"
                                  << "QString"
                                  << "arg";
        QTest::newRow("start of a name") << "QWidget::setWindowT"
                                         << "QWidget"
                                         << "setWindowT";
        QTest::newRow("every member") << "QBitmap::"
                                      << "QBitmap"
                                      << "";
    }
    void qualifiedNamesFindTheirMembers()
    {
        QFETCH(QString, text);
        QFETCH(QString, className);
        QFETCH(QString, member);
        Shell shell;
        MainWidget *form = shell.form();
        form->indexLineEdit->setText(text);
        QStringList wanted;
        const QString suffix = QStringLiteral(" (") + className + QLatin1Char(')');
        for (const IndexEntry &entry : indexInDisplayOrder()) {
            if (entry.target.contains(u'#') && entry.name.endsWith(suffix)
                && entry.name.startsWith(member, Qt::CaseInsensitive))
                wanted.append(entry.name + QLatin1Char('|') + entry.target);
        }
        QVERIFY(!wanted.isEmpty());
        QCOMPARE(shownRows(form->indexView), wanted);
        QVERIFY(firstRowChosenAndShown(form->indexView));
        // Everything else filters as ever: a word, or an entry as it reads.
        form->indexLineEdit->setText(QStringLiteral("arg (QString)"));
        QVERIFY(shownRows(form->indexView).value(0).startsWith(QLatin1String("arg (QString)|")));
    }

    void filterResults()
    {
        Shell shell;
        MainWidget *form = shell.form();
        QLineEdit *edit = form->indexLineEdit;

        edit->setText(QStringLiteral("checkbox"));
        QStringList visible;
        for (const QString &row : shownRows(form->indexView))
            visible.append(row.section(QLatin1Char('|'), 0, 0));
        QCOMPARE(visible.value(0), QStringLiteral("QCheckBox"));
        QVERIFY(visible.contains(QStringLiteral("checkState (QCheckBox)")));
        QVERIFY(visible.contains(QStringLiteral("checkBox (QMessageBox)")));
        // Return opens the first row left: here the class.
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(shell.currentSource(), QStringLiteral("qcheckbox.html"));
        QVERIFY(!shell.isAnchorPending());

        // A member first: the class page is shown, so it only scrolls.
        edit->setText(QStringLiteral("checkStateSet (QCheckBox)"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(shell.currentSource(), QStringLiteral("qcheckbox.html#checkStateSet"));
        QVERIFY(!shell.isAnchorPending());

        // Nothing matches: no row shows, Return loads nothing.
        edit->setText(QStringLiteral("no entry has this name"));
        QVERIFY(shownRows(form->indexView).isEmpty());
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(shell.currentSource(), QStringLiteral("qcheckbox.html#checkStateSet"));
        shell.loadFirstInIndex();
        QCOMPARE(shell.currentSource(), QStringLiteral("qcheckbox.html#checkStateSet"));

        edit->clear();
        QCOMPARE(shownRows(form->indexView).size(), indexInDisplayOrder().size());
        QVERIFY(firstRowChosenAndShown(form->indexView));
    }
};

QTEST_MAIN(tst_ContentsIndex)
#include "tst_contentsindex.moc"
