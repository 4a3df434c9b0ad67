// Velmora: tests of find in page.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "modaldriver.h"
#include "pagebrowser.h"
#include "searchdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <functional>

using tarn::Shell;

namespace {

struct Options
{
    bool caseSensitive = false;
    bool wholeWords = false;
    bool backwards = false;
};

struct Warning
{
    bool shown = false;
    QString title;
    QString text;
    bool hasParent = false;
};

} // namespace

class tst_Search : public QObject
{
    Q_OBJECT

    static QSettings store()
    {
        return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    }

    ModalDriver m_modal;

    void whenModal(std::function<void(QWidget *)> answer) { m_modal.whenModal(std::move(answer)); }
    void dropPendingAnswers() { m_modal.dropPendingAnswers(); }

    // The next warning box: records it and presses Ok.
    void expectWarning(Warning *warning)
    {
        whenModal([warning](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box) {
                modal->close();
                return;
            }
            warning->shown = true;
            warning->title = box->windowTitle();
            warning->text = box->text();
            warning->hasParent = box->parentWidget() != nullptr;
            box->button(QMessageBox::Ok)->click();
        });
    }

    // A new search that types text into the dialog, sets the options and
    // presses OK. A warning that follows is recorded in *warning.
    void newSearch(Shell &shell, const QString &text, Options options = {},
                   Warning *warning = nullptr)
    {
        whenModal([=](QWidget *modal) {
            auto *dialog = qobject_cast<SearchDialog *>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            dialog->lineSearch->setText(text);
            dialog->checkCaseSensitive->setChecked(options.caseSensitive);
            dialog->checkWholeWords->setChecked(options.wholeWords);
            dialog->checkFindBackwards->setChecked(options.backwards);
            if (warning)
                expectWarning(warning);
            dialog->buttonOk->click();
        });
        shell.search(false);
        dropPendingAnswers();
    }

    Warning searchNext(Shell &shell)
    {
        Warning warning;
        expectWarning(&warning);
        shell.searchNext();
        dropPendingAnswers();
        return warning;
    }

    // The selection as (paragraph, index), with the selected text.
    static QPair<QPoint, QString> selection(Shell &shell)
    {
        const QTextCursor cursor = shell.form()->browser->textCursor();
        const QTextBlock block = cursor.document()->findBlock(cursor.selectionStart());
        return {{block.blockNumber(), cursor.selectionStart() - block.position()},
                cursor.selectedText()};
    }

    static void showText(Shell &shell, const QString &html)
    {
        shell.form()->browser->setHtml(html);
    }

private Q_SLOTS:
    void init()
    {
        store().clear();
        // No modal window may outlive its test: close one left waiting.
        m_modal.startBackstop();
    }

    void cleanup() { QVERIFY2(!m_modal.stopBackstop(), "a modal window was left waiting"); }

    void forwardMatchesInTurnThenWarns()
    {
        Shell shell;
        showText(shell, QStringLiteral("<p>alpha needle</p><p>beta gamma Needle</p>"));

        Warning warning;
        newSearch(shell, QStringLiteral("needle"), {}, &warning);
        QVERIFY(!warning.shown);
        QCOMPARE(selection(shell), qMakePair(QPoint(0, 6), QStringLiteral("needle")));

        QVERIFY(!searchNext(shell).shown);
        QCOMPARE(selection(shell), qMakePair(QPoint(1, 11), QStringLiteral("Needle")));

        warning = searchNext(shell);
        QVERIFY(warning.shown);
        QCOMPARE(warning.title, QStringLiteral("Velmora"));
        QCOMPARE(warning.text, QStringLiteral("No match found for needle"));
        QVERIFY(!warning.hasParent);

        // After the failure the search starts over from the top.
        QVERIFY(!searchNext(shell).shown);
        QCOMPARE(selection(shell).first, QPoint(0, 6));
    }

    void optionsSelectTheMatch_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<QPoint>("expected");

        const QString page = QStringLiteral("<p>Needles first</p><p>then needle, NEEDLE</p>");
        QTest::newRow("plain") << page << "needle" << false << false << QPoint(0, 0);
        QTest::newRow("case") << page << "NEEDLE" << true << false << QPoint(1, 13);
        QTest::newRow("whole words") << page << "needle" << false << true << QPoint(1, 5);
        QTest::newRow("both") << page << "NEEDLE" << true << true << QPoint(1, 13);
    }

    void optionsSelectTheMatch()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, wholeWords);
        QFETCH(QPoint, expected);

        Shell shell;
        showText(shell, html);
        Warning warning;
        newSearch(shell, text, {caseSensitive, wholeWords, false}, &warning);
        QVERIFY(!warning.shown);
        QCOMPARE(selection(shell).first, expected);
    }

    void matchesStepInOrder_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<QList<QPoint>>("matches");

        const QString page = QStringLiteral("<p>needle a needle</p><p>b needle</p>");
        QTest::newRow("forward") << page << "needle" << false
                                 << QList<QPoint>{{0, 0}, {0, 9}, {1, 2}};
        QTest::newRow("backward") << page << "needle" << true
                                  << QList<QPoint>{{1, 2}, {0, 9}, {0, 0}};
        // Matches that overlap are all found, one character apart.
        QTest::newRow("forward overlapping") << QStringLiteral("<p>aaaa</p>") << "aa" << false
                                             << QList<QPoint>{{0, 0}, {0, 1}, {0, 2}};
        QTest::newRow("backward overlapping") << QStringLiteral("<p>aaaa</p>") << "aa" << true
                                              << QList<QPoint>{{0, 2}, {0, 1}, {0, 0}};
        QTest::newRow("backward one letter") << QStringLiteral("<p>xyx</p><p>x</p>") << "x" << true
                                             << QList<QPoint>{{1, 0}, {0, 2}, {0, 0}};
    }

    void matchesStepInOrder()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QFETCH(bool, backwards);
        QFETCH(QList<QPoint>, matches);

        Shell shell;
        showText(shell, html);
        Warning warning;
        newSearch(shell, text, {false, false, backwards}, &warning);
        QVERIFY(!warning.shown);
        QCOMPARE(selection(shell).first, matches.first());
        for (qsizetype i = 1; i < matches.size(); ++i) {
            QVERIFY2(!searchNext(shell).shown, qPrintable(QString::number(i)));
            QCOMPARE(selection(shell).first, matches.at(i));
            QCOMPARE(selection(shell), qMakePair(matches.at(i), text));
        }
        warning = searchNext(shell);
        QVERIFY(warning.shown);
        QCOMPARE(warning.text, QLatin1String("No match found for ") + text);
    }

    void notFoundWarnsAndResets()
    {
        Shell shell;
        showText(shell, QStringLiteral("<p>one two</p><p>three</p>"));
        newSearch(shell, QStringLiteral("three"));
        QCOMPARE(selection(shell).first, QPoint(1, 0));

        Warning warning;
        newSearch(shell, QStringLiteral("\"four\""), {}, &warning);
        QVERIFY(warning.shown);
        // No quotes of our own and no full stop.
        QCOMPARE(warning.text, QStringLiteral("No match found for \"four\""));

        // An empty text never matches.
        warning = {};
        newSearch(shell, QString(), {}, &warning);
        QVERIFY(warning.shown);
        QCOMPARE(warning.text, QStringLiteral("No match found for "));
    }

    void secondDialogKeepsOptionsAndEmptiesText()
    {
        Shell shell;
        showText(shell, QStringLiteral("<p>Needle needle</p>"));
        newSearch(shell, QStringLiteral("needle"), {true, true, false});
        QCOMPARE(selection(shell).first, QPoint(0, 7));
        SearchDialog *dialog = shell.searchDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->parentWidget(), &shell);

        QString seenText = QStringLiteral("unset");
        bool caseSensitive = false;
        bool wholeWords = false;
        bool backwards = true;
        SearchDialog *seenDialog = nullptr;
        whenModal([&](QWidget *modal) {
            seenDialog = qobject_cast<SearchDialog *>(modal);
            if (seenDialog) {
                seenText = seenDialog->lineSearch->text();
                caseSensitive = seenDialog->checkCaseSensitive->isChecked();
                wholeWords = seenDialog->checkWholeWords->isChecked();
                backwards = seenDialog->checkFindBackwards->isChecked();
            }
            modal->close();
        });
        shell.search();
        dropPendingAnswers();
        QCOMPARE(seenDialog, dialog);
        QCOMPARE(seenText, QString());
        QVERIFY(caseSensitive);
        QVERIFY(wholeWords);
        QVERIFY(!backwards);
    }

    void cancelledDialogSearchesNothing()
    {
        Shell shell;
        showText(shell, QStringLiteral("<p>x needle</p>"));
        newSearch(shell, QStringLiteral("needle"));
        QCOMPARE(selection(shell).first, QPoint(0, 2));

        Warning warning;
        whenModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<SearchDialog *>(modal);
            if (dialog) {
                expectWarning(&warning);
                dialog->buttonCancel->click();
            } else {
                modal->close();
            }
        });
        shell.search();
        dropPendingAnswers();
        QVERIFY(!warning.shown);
        // The old match stays selected, but the text is gone.
        QCOMPARE(selection(shell), qMakePair(QPoint(0, 2), QStringLiteral("needle")));
        QCOMPARE(shell.searchDialog()->lineSearch->text(), QString());

        warning = searchNext(shell);
        QVERIFY(warning.shown);
        QCOMPARE(warning.text, QStringLiteral("No match found for "));
    }

    void continuedSearchKeepsPositionAcrossPages()
    {
        Shell shell;
        shell.load(QStringLiteral("vxabout.html"));
        const QTextDocument *page = shell.form()->browser->document();
        const QString word = QStringLiteral("Velmora");
        // The new page has the word near its top and again further down.
        const QTextCursor first = page->find(word);
        QVERIFY(!first.isNull());
        const int firstBlock = first.block().blockNumber();

        // The old page has its match below the new page's first occurrence.
        QString html;
        for (int i = 0; i <= firstBlock + 2; ++i)
            html += QStringLiteral("<p>line</p>");
        html += QStringLiteral("<p>xx Velmora</p>");
        showText(shell, html);
        newSearch(shell, word);
        const QPoint start = selection(shell).first;
        QCOMPARE(start, QPoint(firstBlock + 3, 3));

        shell.load(QStringLiteral("vxabout.html"));
        QVERIFY(!searchNext(shell).shown);
        const QPoint found = selection(shell).first;
        QVERIFY(found.x() > firstBlock);
        QVERIFY(found.x() > start.x() || (found.x() == start.x() && found.y() > start.y()));
        QCOMPARE(selection(shell).second, word);
    }
};

QTEST_MAIN(tst_Search)
#include "tst_search.moc"
