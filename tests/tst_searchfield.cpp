// Velmora: the search field in the real window: keys, results, opening and marking a page.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "hithighlight.h"
#include "mainwidget.h"
#include "modaldriver.h"
#include "pagebrowser.h"
#include "searchdialog.h"
#include "searchfield.h"
#include "searchindex.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>

using tarn::SearchField;
using tarn::SearchTerm;
using tarn::Shell;

namespace {

SearchField *fieldOf(Shell &shell)
{
    return shell.findChild<SearchField *>();
}

PageBrowser *browserOf(Shell &shell)
{
    return shell.pageView();
}

QString shownPage(Shell &shell)
{
    return browserOf(shell)->source().toString().section(u'#', 0, 0);
}

int rowOf(QListWidget *list, const QString &page)
{
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->toolTip() == page)
            return row;
    }
    return -1;
}

QStringList markedTexts(QTextEdit *view)
{
    QStringList texts;
    for (const QTextEdit::ExtraSelection &mark : view->extraSelections())
        texts.append(mark.cursor.selectedText());
    return texts;
}

// Keys go where the window system would send them: to the open results,
// else to the focus.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = QApplication::activePopupWidget();
    if (!target)
        target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keyClick(target, key, modifiers);
}

} // namespace

class tst_SearchField : public QObject
{
    Q_OBJECT

    ModalDriver m_modal;

    static QSettings store()
    {
        return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    }

    static void showActive(Shell &shell)
    {
        shell.show();
        QVERIFY(QTest::qWaitForWindowActive(&shell));
    }

private Q_SLOTS:
    void initTestCase() { tarn::SearchIndex::embedded()->setTimeLimit(10000); }

    void init()
    {
        store().clear();
        m_modal.startBackstop();
    }

    void cleanup()
    {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        QVERIFY2(!m_modal.stopBackstop(), "a modal window was left waiting");
    }

    // Ctrl+Shift+F, typing, Down to a result, Return: the page opens with
    // every hit marked, at the entry of the API the query names.
    void keyboardPathOpensAndMarksAResult()
    {
        Shell shell;
        showActive(shell);
        SearchField *field = fieldOf(shell);
        QVERIFY(field);
        QVERIFY(field->isVisible());
        QTest::keyClick(&shell, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(field->hasFocus());

        QTest::keyClicks(field, QStringLiteral("setWindowTitle"));
        QTRY_VERIFY(field->resultsPopup()->isVisible());
        QListWidget *list = field->resultsList();
        QVERIFY(list->count() > 0);
        QCOMPARE(list->currentRow(), 0);
        // The member first, one row for its page, opening at its anchor.
        QCOMPARE(list->item(0)->toolTip(), QStringLiteral("qwidget.html#windowTitle-prop"));
        QCOMPARE(rowOf(list, QStringLiteral("qwidget.html")), -1);
        press(Qt::Key_Down);
        press(Qt::Key_Up);
        const int row = 0;
        for (int i = 0; i < row; ++i)
            press(Qt::Key_Down);
        QCOMPARE(list->currentRow(), row);
        press(Qt::Key_Return);

        QVERIFY(!field->resultsPopup()->isVisible());
        QCOMPARE(shownPage(shell), QStringLiteral("qwidget.html"));
        QTextBrowser *browser = browserOf(shell);
        const QStringList marked = markedTexts(browser);
        QVERIFY(marked.size() >= 3);
        for (const QString &text : marked)
            QCOMPARE(text.toLower(), QStringLiteral("setwindowtitle"));
        QCOMPARE(shell.currentSource(), QStringLiteral("qwidget.html#windowTitle-prop"));
        QVERIFY(browser->verticalScrollBar()->value() > 0);
        // Leaving the page takes the marks with it.
        shell.load(QStringLiteral("qstring.html"));
        QVERIFY(browser->extraSelections().isEmpty());
    }

    void clickOpensAResult()
    {
        Shell shell;
        showActive(shell);
        SearchField *field = fieldOf(shell);
        field->setFocus();
        field->setText(QStringLiteral("QAbstractItemModel rowCount"));
        field->searchNow();
        QListWidget *list = field->resultsList();
        QTRY_VERIFY(list->isVisible());
        QCOMPARE(list->item(0)->toolTip(), QStringLiteral("qabstractitemmodel.html#rowCount"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QCOMPARE(shell.currentSource(), QStringLiteral("qabstractitemmodel.html#rowCount"));
        QVERIFY(!browserOf(shell)->extraSelections().isEmpty());
    }

    // A query that names nothing of the API finds pages by their text; the
    // page opens with its first hit in view.
    void textHitOpensAtItsFirstMark()
    {
        Shell shell;
        showActive(shell);
        SearchField *field = fieldOf(shell);
        field->setFocus();
        field->setText(QStringLiteral("thread affinity"));
        field->searchNow();
        QListWidget *list = field->resultsList();
        QTRY_VERIFY(list->isVisible());
        const int row = rowOf(list, QStringLiteral("qobject.html"));
        QVERIFY2(row >= 0 && row < 3, qPrintable(QString::number(row)));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
        QCOMPARE(shownPage(shell), QStringLiteral("qobject.html"));
        QTextBrowser *browser = browserOf(shell);
        QVERIFY(!browser->extraSelections().isEmpty());
        const QRect first = browser->cursorRect(browser->extraSelections().first().cursor);
        QVERIFY(browser->viewport()->rect().contains(first.center()));
        QVERIFY(browser->verticalScrollBar()->value() > 0);
    }

    // Escape closes the results and keeps the text; Down brings them back.
    void escapeClosesDownReopens()
    {
        Shell shell;
        showActive(shell);
        SearchField *field = fieldOf(shell);
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("queued"));
        QTRY_VERIFY(field->resultsPopup()->isVisible());
        press(Qt::Key_Escape);
        QVERIFY(!field->resultsPopup()->isVisible());
        QCOMPARE(field->text(), QStringLiteral("queued"));
        QTRY_VERIFY(field->hasFocus());
        press(Qt::Key_Down);
        QVERIFY(field->resultsPopup()->isVisible());
        // Typing with the results up goes on in the field.
        press(Qt::Key_S);
        QCOMPARE(field->text(), QStringLiteral("queueds"));
    }

    // The clear button keeps its room in the empty field, shows once there
    // is text, and a click empties the field and closes the results.
    void clearButtonEmptiesTheField()
    {
        Shell shell;
        showActive(shell);
        SearchField *field = fieldOf(shell);
        auto *clear = field->findChild<QAction *>(QStringLiteral("clearSearch"));
        QVERIFY(clear);
        QWidget *button = nullptr;
        for (QObject *object : clear->associatedObjects()) {
            if (auto *widget = qobject_cast<QWidget *>(object); widget && widget != field)
                button = widget;
        }
        QVERIFY(button);
        QVERIFY(!clear->isEnabled());
        QVERIFY(clear->icon().isNull());
        const QRect emptyRoom = button->geometry();
        QVERIFY(!emptyRoom.isEmpty());

        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("queued"));
        QTRY_VERIFY(field->resultsPopup()->isVisible());
        QVERIFY(clear->isEnabled());
        QVERIFY(!clear->icon().isNull());
        QCOMPARE(button->geometry(), emptyRoom);
        QSignalSpy edited(field, &QLineEdit::textEdited);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        QVERIFY(field->text().isEmpty());
        QCOMPARE(edited.count(), 1);
        QVERIFY(!field->resultsPopup()->isVisible());
        QVERIFY(!clear->isEnabled());
    }

    // Bad input gets a plain sentence in the results, never an error.
    void messages_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("no match") << "xyzzyqqq"
                                  << "No pages match.";
        QTest::newRow("lone quote") << "\""
                                    << "Type a word to search for.";
        QTest::newRow("only exclusion") << "-qstring"
                                        << "-word only";
        QTest::newRow("AND NOT") << "AND NOT"
                                 << "Type a word to search for.";
        QString paste;
        for (int i = 0; paste.size() < 10000; ++i)
            paste += QStringLiteral("word%1 ").arg(i);
        QTest::newRow("long paste") << paste << "Only the first 12 words";
    }

    void messages()
    {
        QFETCH(QString, input);
        QFETCH(QString, message);
        Shell shell;
        showActive(shell);
        SearchField *field = fieldOf(shell);
        field->setFocus();
        field->setText(input);
        field->searchNow();
        QTRY_VERIFY(field->resultsPopup()->isVisible());
        QVERIFY(field->messageLabel()->isVisible());
        QVERIFY2(field->messageLabel()->text().contains(message),
                 qPrintable(field->messageLabel()->text()));
    }

    // Find in page, F3, the four tabs and the stored keys are as before.
    void findInPageTabsAndKeysUnchanged()
    {
        {
            Shell shell;
            showActive(shell);
            SearchField *field = fieldOf(shell);
            field->setFocus();
            field->setText(QStringLiteral("setWindowTitle"));
            field->searchNow();
            press(Qt::Key_Return);
            QTextBrowser *browser = browserOf(shell);
            const int marks = int(browser->extraSelections().size());
            QVERIFY(marks > 0);

            bool dialogShown = false;
            m_modal.whenModal([&dialogShown](QWidget *modal) {
                auto *dialog = qobject_cast<SearchDialog *>(modal);
                if (!dialog) {
                    modal->close();
                    return;
                }
                dialogShown = true;
                dialog->lineSearch->setText(QStringLiteral("windowTitle"));
                dialog->buttonOk->click();
            });
            QTest::keyClick(browser, Qt::Key_F, Qt::ControlModifier);
            m_modal.dropPendingAnswers();
            QVERIFY(dialogShown);
            QCOMPARE(browser->textCursor().selectedText().toLower(), QStringLiteral("windowtitle"));
            const int first = browser->textCursor().selectionStart();
            QTRY_VERIFY(!QApplication::activeModalWidget());
            shell.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), &shell);
            QTest::keyClick(&shell, Qt::Key_F3);
            QVERIFY(browser->textCursor().selectionStart() > first);
            QCOMPARE(int(browser->extraSelections().size()), marks);

            const QTabWidget *tabs = shell.form()->leftTabs;
            QCOMPARE(tabs->count(), 4);
            for (int i = 0; i < 4; ++i)
                QCOMPARE(tabs->tabText(i),
                         QStringList({"Contents", "Index", "Bookmarks", "Help"}).at(i));
        }
        for (const QString &key : store().allKeys()) {
            QVERIFY2(key.startsWith(QStringLiteral("velmora/geom/"))
                         || key.startsWith(QStringLiteral("velmora/font/"))
                         || key.startsWith(QStringLiteral("velmora/bookmarks/")),
                     qPrintable(key));
        }
    }

    // What the marks match: whole words, any case, anything but letters
    // between the words of a phrase or an identifier, prefixes open.
    void hitPattern_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("prefix");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("matched");

        const QStringList identifier{"qstring", "arg"};
        QTest::newRow("word in any case") << QStringList{"qstring"} << false << "a QString b"
                                          << "QString";
        QTest::newRow("whole words only") << QStringList{"qstring"} << false << "QStringList"
                                          << "";
        QTest::newRow("identifier") << identifier << false << "see QString::arg()"
                                    << "QString::arg";
        QTest::newRow("phrase across blanks")
            << QStringList{"implicitly", "shared"} << false << "is implicitly   shared."
            << "implicitly   shared";
        QTest::newRow("prefix") << QStringList{"setwindow"} << true << "w.setWindowTitle(x)"
                                << "setWindowTitle";
        QTest::newRow("operator") << QStringList{"operator<<"} << false
                                  << "QDebug &operator <<(int)"
                                  << "operator <<";
        QTest::newRow("regex characters are text") << QStringList{"a.b"} << false << "axb a.b"
                                                   << "a.b";
    }

    void hitPattern()
    {
        QFETCH(QStringList, words);
        QFETCH(bool, prefix);
        QFETCH(QString, text);
        QFETCH(QString, matched);
        SearchTerm term;
        term.words = words;
        term.prefix = prefix;
        const QRegularExpressionMatch match = tarn::hitPattern({term}).match(text);
        QCOMPARE(match.captured(0), matched);
    }
};

QTEST_MAIN(tst_SearchField)
#include "tst_searchfield.moc"
