// Velmora: tests of zoom, the page and fixed-pitch fonts and the left panel.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "savedstate.h"

#include "mainwidget.h"
#include "modaldriver.h"
#include "pagebrowser.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <optional>

using tarn::Shell;

namespace {

const QString fixedKey = QString::fromLatin1(tarn::settingskeys::fixedFamily);

// The first family of the text that holds marker, or an empty string.
QString familyOf(const QTextDocument *document, const QString &marker)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(marker))
                return it.fragment().charFormat().fontFamilies().toStringList().value(0);
        }
    }
    return QString();
}

// A page that uses the imported pages' style sheet, with each element of
// interest holding one marker word.
QString probePage()
{
    return QStringLiteral("<html><head><link rel=\"stylesheet\" type=\"text/css\" "
                          "href=\"offline.css\"></head><body>"
                          "<p>bodymark <code>codemark</code> <tt>ttmark</tt> "
                          "<kbd>kbdmark</kbd></p><pre class=\"cpp\">premark</pre>"
                          "<h3 class=\"fn\"><code>headmark</code></h3></body></html>");
}

// The start of the topmost line that shows in the view, found line by line
// through the whole document, tables included: the layout's hit test at a
// point answers a table's start for a point beside its cells.
int topVisiblePosition(const PageBrowser *view)
{
    int best = -1;
    int bestTop = 0;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        for (int i = 0; layout && i < layout->lineCount(); ++i) {
            QTextCursor cursor(block);
            cursor.setPosition(block.position() + layout->lineAt(i).textStart());
            const QRect rect = view->cursorRect(cursor);
            if (rect.bottom() > 0 && (best < 0 || rect.top() < bestTop)) {
                best = cursor.position();
                bestTop = rect.top();
            }
        }
    }
    return best;
}

} // namespace

class tst_Fonts : public QObject
{
    Q_OBJECT

    static QSettings store()
    {
        return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    }

    ModalDriver m_modal;

    void whenModal(std::function<void(QWidget *)> answer) { m_modal.whenModal(std::move(answer)); }
    void dropPendingAnswers() { m_modal.dropPendingAnswers(); }

    // Answers the next font dialog: accepts the font given, or rejects it
    // when there is none.
    void answerFontDialog(std::optional<QFont> chosen)
    {
        whenModal([=](QWidget *modal) {
            auto *dialog = qobject_cast<QFontDialog *>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            if (!chosen) {
                dialog->reject();
                return;
            }
            dialog->setCurrentFont(*chosen);
            dialog->accept();
        });
    }

    // An installed family that is neither the page font nor the fixed-pitch
    // family the window starts with, so a change is visible.
    static QString otherFamily(const Shell &shell)
    {
        const QStringList avoid = {shell.form()->browser->font().family(), shell.fixedFamily(),
                                   QApplication::font().family()};
        // Families with a plain regular style first: the dialog keeps the
        // style it lands on, and a bold italic page would confuse the checks.
        QStringList candidates = {QStringLiteral("DejaVu Serif"), QStringLiteral("Nimbus Sans"),
                                  QStringLiteral("Noto Mono")};
        candidates += QFontDatabase::families();
        for (const QString &family : std::as_const(candidates)) {
            if (QFontDatabase::hasFamily(family) && !QFontDatabase::isPrivateFamily(family)
                && !avoid.contains(family))
                return family;
        }
        return QString();
    }

private Q_SLOTS:
    void init()
    {
        store().clear();
        // No modal window may outlive its test: close one left waiting.
        m_modal.startBackstop();
    }

    void cleanup() { QVERIFY2(!m_modal.stopBackstop(), "a modal window was left waiting"); }

    void zoomRoundTrip_data()
    {
        QTest::addColumn<int>("start");
        QTest::newRow("default") << 0;
        QTest::newRow("small") << 2;
        QTest::newRow("large") << 40;
    }

    void zoomRoundTrip()
    {
        QFETCH(int, start);
        Shell shell;
        PageBrowser *browser = shell.form()->browser;
        if (start > 0) {
            QFont font = browser->font();
            font.setPointSize(start);
            browser->setFont(font);
        }
        const int size = browser->font().pointSize();
        for (int i = 1; i <= 3; ++i) {
            shell.zoomIn();
            QCOMPARE(browser->font().pointSize(), size + i);
        }
        for (int i = 1; i <= 3; ++i) {
            shell.zoomOut();
            QCOMPARE(browser->font().pointSize(), size + 3 - i);
        }
    }

    void zoomOutStopsAtOnePoint()
    {
        Shell shell;
        PageBrowser *browser = shell.form()->browser;
        QFont font = browser->font();
        font.setPointSize(2);
        browser->setFont(font);
        shell.zoomOut();
        QCOMPARE(browser->font().pointSize(), 1);
        shell.zoomOut();
        shell.zoomOut();
        QCOMPARE(browser->font().pointSize(), 1);
        shell.zoomIn();
        QCOMPARE(browser->font().pointSize(), 2);
    }

    void zoomScalesAClassPage()
    {
        // Sizes fixed in pixels by the pages' style sheet would ignore the zoom.
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *browser = shell.form()->browser;
        shell.load(QStringLiteral("qobject.html"));
        const qreal before = browser->document()->size().height();
        for (int i = 0; i < 4; ++i)
            shell.zoomIn();
        QVERIFY2(browser->document()->size().height() > before * 1.15,
                 qPrintable(QString::number(browser->document()->size().height() / before)));
    }

    void zoomSurvivesRestart()
    {
        int size = 0;
        {
            Shell shell;
            shell.zoomIn();
            shell.zoomIn();
            size = shell.form()->browser->font().pointSize();
        }
        Shell shell;
        QCOMPARE(shell.form()->browser->font().pointSize(), size);
    }

    void fixedFamilyReachesOnlyFixedPitchText()
    {
        QString family;
        {
            Shell shell;
            family = otherFamily(shell);
            QVERIFY(!family.isEmpty());
            PageBrowser *browser = shell.form()->browser;
            const int pagePointSize = browser->font().pointSize();
            shell.load(QStringLiteral("qobject.html"));

            // Only the family counts: size and weight of the choice are dropped.
            // The page shown takes it in place.
            const int backCount = shell.backCount();
            answerFontDialog(QFont(family, 31, QFont::Bold));
            shell.fixedFontSelect();
            QCOMPARE(browser->source().toString(), QStringLiteral("qobject.html"));
            QCOMPARE(shell.backCount(), backCount);
            QCOMPARE(store().value(fixedKey).toString(), family);
            QCOMPARE(shell.fixedFamily(), family);

            // Code samples of a real class page, under its own style sheet,
            // down to its last part.
            browser->finishPage();
            const QTextDocument *document = browser->document();
            int preFragments = 0;
            bool bodyTextElsewhere = false;
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
                const bool pre = block.blockFormat().nonBreakableLines();
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    const QTextCharFormat format = it.fragment().charFormat();
                    const QString first = format.fontFamilies().toStringList().value(0);
                    if (pre) {
                        ++preFragments;
                        QCOMPARE(first, family);
                        QVERIFY(format.fontWeight() != QFont::Bold);
                        QVERIFY(format.fontPointSize() != 31);
                    } else if (first != family) {
                        bodyTextElsewhere = true;
                    }
                }
            }
            QVERIFY(preFragments > 10);
            QVERIFY(bodyTextElsewhere);
            QCOMPARE(browser->font().pointSize(), pagePointSize);
        }
        // The choice survives a restart.
        Shell shell;
        QCOMPARE(shell.fixedFamily(), family);
        PageBrowser *browser = shell.form()->browser;
        browser->setHtml(probePage());
        const QTextDocument *document = browser->document();
        QCOMPARE(familyOf(document, QStringLiteral("codemark")), family);
        QCOMPARE(familyOf(document, QStringLiteral("ttmark")), family);
        QCOMPARE(familyOf(document, QStringLiteral("premark")), family);
        QCOMPARE(familyOf(document, QStringLiteral("headmark")), family);
        QVERIFY(familyOf(document, QStringLiteral("bodymark")) != family);
        QVERIFY(familyOf(document, QStringLiteral("kbdmark")) != family);
    }

    void cancelledDialogsChangeNothing_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::newRow("page font") << "fontSelect";
        QTest::newRow("fixed font") << "fixedFontSelect";
        QTest::newRow("window font") << "options";
    }

    void cancelledDialogsChangeNothing()
    {
        QFETCH(QString, slot);
        Shell shell;
        PageBrowser *browser = shell.form()->browser;
        shell.load(QStringLiteral("vxabout.html"));
        const QFont pageFont = browser->font();
        const QFont windowFont = shell.font();
        const QString styleSheet = browser->document()->defaultStyleSheet();

        answerFontDialog(std::nullopt);
        QVERIFY(QMetaObject::invokeMethod(&shell, slot.toLatin1().constData()));
        QCOMPARE(browser->font(), pageFont);
        QCOMPARE(shell.font(), windowFont);
        QCOMPARE(browser->document()->defaultStyleSheet(), styleSheet);
        QCOMPARE(browser->source().toString(), QStringLiteral("vxabout.html"));
        QVERIFY(store().allKeys().isEmpty());
    }

    void windowFontLastsOneRun()
    {
        QString family;
        {
            Shell shell;
            family = otherFamily(shell);
            const QFont pageFont = shell.form()->browser->font();
            answerFontDialog(QFont(family, 15));
            shell.options();
            QCOMPARE(shell.font().family(), family);
            // Children without a font of their own follow; the page keeps its font.
            QCOMPARE(shell.form()->leftTabs->font().family(), family);
            QCOMPARE(shell.form()->browser->font(), pageFont);
            QVERIFY(store().allKeys().isEmpty());
        }
        Shell shell;
        QCOMPARE(shell.font(), QApplication::font());
        for (const QString &key : store().allKeys())
            QVERIFY2(!store().value(key).toString().contains(family), qPrintable(key));
    }

    // A stored family the font system lacks must not open the dialog on a
    // proportional family, nor may OK store the family it fell back to.
    void fixedDialogOpensOnTheFamilyInUse()
    {
        store().setValue(fixedKey, QStringLiteral("fixed"));
        Shell shell;
        QString offered;
        whenModal([&offered](QWidget *modal) {
            auto *dialog = qobject_cast<QFontDialog *>(modal);
            if (dialog)
                offered = dialog->currentFont().family();
            if (dialog)
                dialog->accept();
            else
                modal->close();
        });
        shell.fixedFontSelect();
        dropPendingAnswers();
        const QFont systemFixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        QCOMPARE(offered, QFontInfo(systemFixed).family());
        QVERIFY(QFontInfo(QFont(offered)).fixedPitch());
        QCOMPARE(store().value(fixedKey).toString(), offered);
        QCOMPARE(shell.fixedFamily(), offered);
    }

    // Zooming with either key set, choosing a fixed family, resetting the
    // size: the line the reader had at the top of a long page stays in view,
    // on the same page with the same history.
    void changesKeepTheReadingPosition()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        shell.activateWindow();
        PageBrowser *view = shell.pageView();
        shell.load(QStringLiteral("qwidget.html"));
        view->scrollToPosition(view->verticalScrollBar()->maximum() / 2);
        const auto topLine = [view] {
            const QTextCursor cursor = view->cursorForPosition(QPoint(0, 0));
            return cursor.block().text();
        };
        const QString before = topLine();
        const int position = topVisiblePosition(view);
        QVERIFY(!before.isEmpty());
        const int backCount = shell.backCount();
        const auto stillThere = [&](const char *step) {
            const QRect line = view->cursorRect([&] {
                QTextCursor c(view->document());
                c.setPosition(position);
                return c;
            }());
            QVERIFY2(line.bottom() >= 0 && line.top() < view->viewport()->height() / 3, step);
            QCOMPARE(shell.currentPage(), QStringLiteral("qwidget.html"));
            QCOMPARE(shell.backCount(), backCount);
        };
        const int size = view->font().pointSize();
        QTest::keyClick(&shell, Qt::Key_Equal, Qt::AltModifier);
        QTest::keyClick(&shell, Qt::Key_Equal, Qt::AltModifier);
        QCOMPARE(view->font().pointSize(), size + 2);
        stillThere("Alt+= twice");
        QTest::keyClick(&shell, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(view->font().pointSize(), size + 3);
        stillThere("Ctrl++");
        QTest::keyClick(&shell, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(view->font().pointSize(), size + 2);
        stillThere("Ctrl+-");
        answerFontDialog(QFont(otherFamily(shell), 12));
        shell.fixedFontSelect();
        stillThere("a fixed family");
        QApplication::setActiveWindow(&shell);
        QTest::keyClick(&shell, Qt::Key_0, Qt::ControlModifier);
        QFont standard;
        standard.fromString(tarn::defaultTextFont());
        QCOMPARE(view->font().pointSize(), standard.pointSize());
        stillThere("Ctrl+0");
    }

    // The line at the top of the view stays there, within a line, across
    // each change that lays the page out anew: inside a member table as in
    // prose, and on a page whose later parts were not parsed yet.
    void changesKeepTheTopLine_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("topText");
        QTest::addColumn<QString>("change");
        // Scrolled to while the page is parsed only in part: the change comes
        // before the rest of the page is.
        QTest::addColumn<bool>("inFirstPart");
        const QString table = QStringLiteral("inputMethodQuery");
        const QString firstPartRow = QStringLiteral("accessibleDescription() const");
        const QString prose = QStringLiteral("The widget is the atom of the user interface");
        // In the left of the two columns: the reader's eye starts there.
        const QString members = QStringLiteral("leaveEvent");
        for (const char *change : {"zoom in", "zoom out", "page font", "fixed font"}) {
            const QString c = QString::fromLatin1(change);
            QTest::addRow("member table, %s", change)
                << QStringLiteral("qwidget.html") << table << c << false;
            QTest::addRow("member table, page in parts, %s", change)
                << QStringLiteral("qwidget.html") << firstPartRow << c << true;
            QTest::addRow("prose, %s", change)
                << QStringLiteral("qwidget.html") << prose << c << false;
            QTest::addRow("member list table, %s", change)
                << QStringLiteral("qabstractbutton-members.html") << members << c << false;
        }
    }

    void changesKeepTheTopLine()
    {
        QFETCH(QString, page);
        QFETCH(QString, topText);
        QFETCH(QString, change);
        QFETCH(bool, inFirstPart);
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *view = shell.pageView();
        shell.load(page);
        const bool inParts = !view->isPageComplete();
        if (page == QLatin1String("qwidget.html"))
            QVERIFY2(inParts, "qwidget.html is expected to come in parts");
        // The text as the view has it, found in whatever part holds it: the
        // public functions come in the part after the short first one.
        if (inFirstPart)
            view->scrollToAnchor(QStringLiteral("reimplemented-public-functions"));
        else
            view->finishPage();
        const QTextCursor found = view->document()->find(topText);
        QVERIFY2(!found.isNull(), qPrintable(topText));
        const int position = found.selectionStart();
        const auto lineTop = [view, position] {
            QTextCursor c(view->document());
            c.setPosition(position);
            return view->cursorRect(c).top();
        };
        if (inFirstPart) {
            // Scrolled as the reader scrolls, the rest of the page not parsed.
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + lineTop());
            QVERIFY(!view->isPageComplete());
        } else {
            // Shown again from its first part, then scrolled to the line.
            shell.load(QStringLiteral("qobject.html"));
            shell.load(page);
            view->scrollToTextPosition(position);
        }
        QVERIFY(view->verticalScrollBar()->value() > 0);
        QVERIFY(qAbs(lineTop()) <= 2);
        if (change == QLatin1String("zoom in")) {
            shell.zoomIn();
            shell.zoomIn();
        } else if (change == QLatin1String("zoom out")) {
            shell.zoomOut();
            shell.zoomOut();
        } else if (change == QLatin1String("page font")) {
            answerFontDialog(QFont(otherFamily(shell), view->font().pointSize() + 3));
            shell.fontSelect();
        } else {
            answerFontDialog(QFont(otherFamily(shell), 12));
            shell.fixedFontSelect();
        }
        const int line = QFontMetrics(view->font()).lineSpacing();
        QVERIFY2(qAbs(lineTop()) <= line,
                 qPrintable(QStringLiteral("the line is %1 px from the top").arg(lineTop())));
        QCOMPARE(shell.currentPage(), page);
    }

    void panelHidesAndShows()
    {
        {
            Shell shell;
            QTabWidget *tabs = shell.form()->leftTabs;
            QVERIFY(!tabs->isHidden());
            shell.panel();
            QVERIFY(tabs->isHidden());
            QVERIFY(!shell.isLeftPanelShown());
            shell.panel();
            QVERIFY(!tabs->isHidden());
            QVERIFY(shell.isLeftPanelShown());
            // Left hidden at shutdown.
            shell.panel();
        }
        Shell shell;
        QVERIFY(!shell.form()->leftTabs->isHidden());
        QVERIFY(shell.isLeftPanelShown());
    }
};

QTEST_MAIN(tst_Fonts)
#include "tst_fonts.moc"
