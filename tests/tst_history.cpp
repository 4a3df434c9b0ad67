// Velmora: Back and Forward over kept pages, and the caches' bounds over a long session.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "embeddedfiles.h"
#include "embeddedimages.h"
#include "embeddedimages_p.h"
#include "embeddedpages.h"
#include "listformat.h"
#include "mainwidget.h"
#include "modaldriver.h"
#include "pagebrowser.h"
#include "searchdialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

using tarn::Action;
using tarn::Shell;

namespace {

// Class pages from the contents list, long ones first found.
QStringList classPages(Shell &shell, int count)
{
    QStringList pages;
    QTreeWidget *classes = shell.form()->classesView;
    for (int i = 0; i < classes->topLevelItemCount() && pages.size() < count; ++i) {
        const QString page = classes->topLevelItem(i)->text(1);
        if (!pages.contains(page))
            pages.append(page);
    }
    return pages;
}

// A member target of the class page, for an anchor to land on.
QString memberOf(Shell &shell, const QString &page)
{
    QTreeWidget *classes = shell.form()->classesView;
    for (int i = 0; i < classes->topLevelItemCount(); ++i) {
        if (classes->topLevelItem(i)->text(1) != page)
            continue;
        const QList<tarn::ContentsMember> members =
            tarn::parseMemberList(classes->topLevelItem(i)->text(2));
        return members.isEmpty() ? QString() : members.constLast().target;
    }
    return QString();
}

struct Step
{
    QString name; // as loaded
    int scroll;   // where the reader left it
};

bool backEnabled()
{
    return Action::find(QStringLiteral("Shell/Back"))->isEnabled();
}

bool forwardEnabled()
{
    return Action::find(QStringLiteral("Shell/Forward"))->isEnabled();
}

// A page source that counts the images it is asked for.
class CountingSource : public PageSource
{
public:
    explicit CountingSource(int *asked)
        : m_asked(asked)
    {
    }
    QImage image(const QString &name) const override
    {
        ++*m_asked;
        return PageSource::image(name);
    }

private:
    int *m_asked;
};

} // namespace

class tst_History : public QObject
{
    Q_OBJECT

    ModalDriver m_modal;

private Q_SLOTS:
    void init()
    {
        QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear();
        m_modal.startBackstop();
    }

    void cleanup() { QVERIFY2(!m_modal.stopBackstop(), "a modal window was left waiting"); }

    // Thirteen steps by link, one a missing page and one the same page
    // twice; Back all the way and Forward all the way bring each page back
    // with its anchor or position, its buttons and one sourceChanged a step.
    void backAndForwardOverManyPages()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *view = shell.pageView();
        QStringList pages = classPages(shell, 12);
        QCOMPARE(pages.size(), 12);
        // A page never left by a link has no remembered position: Back and
        // Forward bring the anchor's.
        const QString anchored = pages.takeLast();

        QVector<Step> steps = {{QStringLiteral("index.html"), 0}};
        const auto visit = [&](const QString &name) {
            shell.linkLoad(name);
            QScrollBar *bar = view->verticalScrollBar();
            const int scroll = bar->maximum() / 3;
            bar->setValue(scroll);
            if (steps.constLast().name == name)
                steps.last().scroll = scroll; // the same name adds no step
            else
                steps.append({name, scroll});
        };
        for (int i = 0; i < pages.size(); ++i) {
            visit(pages.at(i));
            if (i == 4)
                visit(QStringLiteral("nosuchpage.html"));
            if (i == 6)
                visit(pages.at(i));
        }
        const QString withAnchor = memberOf(shell, anchored);
        QVERIFY(!withAnchor.isEmpty());
        shell.linkLoad(withAnchor);
        const int atAnchor = view->verticalScrollBar()->value();
        steps.append({withAnchor, atAnchor});
        QCOMPARE(steps.size(), 14);
        QCOMPARE(shell.backCount(), 13);
        QVERIFY(backEnabled());
        QVERIFY(!forwardEnabled());

        QSignalSpy changes(view, &QTextBrowser::sourceChanged);
        for (int i = int(steps.size()) - 2; i >= 0; --i) {
            changes.clear();
            shell.backward();
            const Step &step = steps.at(i);
            QCOMPARE(shell.currentSource(), step.name);
            QCOMPARE(view->source().toString(), step.name);
            QCOMPARE(changes.size(), 1);
            QCOMPARE(changes.first().first().toUrl().toString(), step.name);
            QCOMPARE(shell.scrollValue(), step.scroll);
            QCOMPARE(backEnabled(), i > 0);
            QVERIFY(forwardEnabled());
            if (step.name == QLatin1String("nosuchpage.html"))
                QVERIFY(view->toPlainText().trimmed().isEmpty());
            else
                QVERIFY(!view->toPlainText().trimmed().isEmpty());
        }
        // Back at the start of the history stays there.
        shell.backward();
        QCOMPARE(shell.currentSource(), QStringLiteral("index.html"));

        for (int i = 1; i < steps.size(); ++i) {
            changes.clear();
            shell.forward();
            QCOMPARE(shell.currentSource(), steps.at(i).name);
            QCOMPARE(changes.size(), 1);
            QCOMPARE(shell.scrollValue(), steps.at(i).scroll);
            QVERIFY(backEnabled());
            QCOMPARE(forwardEnabled(), i < steps.size() - 1);
        }
        QCOMPARE(shell.currentSource(), withAnchor);
        QCOMPARE(shell.forwardCount(), 0);

        // Following the page ahead is going Forward; any other page cuts
        // the pages ahead from the history.
        shell.backward();
        shell.backward();
        shell.linkLoad(pages.last());
        QCOMPARE(shell.forwardCount(), 1);
        shell.linkLoad(pages.first());
        QCOMPARE(shell.forwardCount(), 0);
        QVERIFY(!forwardEnabled());
    }

    // Pages, their images and the laid-out documents kept for Back stay
    // within their budgets however many pages are read; an image asked for
    // again while kept is not decoded again.
    void cachesStayWithinTheirBudgets()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *view = shell.pageView();
        SourceCache &pages = installedEmbeddedPageFactory()->cache();
        SourceCache &images = installedEmbeddedImageFactory()->cache();
        const qint64 savedPages = pages.budget();
        const qint64 savedImages = images.budget();
        const auto restore = qScopeGuard([&] {
            pages.setBudget(savedPages);
            images.setBudget(savedImages);
        });
        pages.setBudget(512 * 1024);
        images.setBudget(1024 * 1024);
        view->setKeptDocumentBudget(2 * 1024 * 1024);

        int visited = 0;
        int keptAtMost = 0;
        for (const QString &page : classPages(shell, 80)) {
            shell.linkLoad(page);
            view->viewport()->grab();
            ++visited;
            QVERIFY2(pages.bytes() <= pages.budget(), qPrintable(page));
            QVERIFY2(images.bytes() <= images.budget(), qPrintable(page));
            // The page just left is kept whatever its size; beyond it, the budget holds.
            QVERIFY2(view->keptDocumentBytes() <= view->keptDocumentBudget()
                         || view->keptDocumentCount() == 1,
                     qPrintable(page));
            keptAtMost = qMax(keptAtMost, view->keptDocumentCount());
        }
        QCOMPARE(visited, 80);
        QVERIFY(keptAtMost > 1);
        QVERIFY(pages.count() > 0);

        MimeSourceFactory *factory = MimeSourceFactory::defaultFactory();
        const quint64 before = embeddedImageDecodeCount();
        QVERIFY(factory->data(QStringLiteral("bookmark.png")));
        QVERIFY(factory->data(QStringLiteral("bookmark.png")));
        QCOMPARE(embeddedImageDecodeCount(), before + 1);
    }

    // A page's images are fetched once for its document, however often it
    // is laid out and painted again, and drawn without converting them.
    void imagesAreFetchedOncePerPage()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *view = shell.pageView();
        int asked = 0;
        view->setPageSource(std::make_unique<CountingSource>(&asked));

        QString page;
        for (const EmbeddedFile *file = embeddedFiles; file->data && page.isEmpty(); ++file) {
            const QString name = QString::fromLatin1(file->name);
            if (name.endsWith(QLatin1String(".html"))
                && findEmbeddedPageText(name).contains(QLatin1String("<img ")))
                page = name;
        }
        QVERIFY(!page.isEmpty());
        shell.load(page);
        view->finishPage();
        view->viewport()->grab();
        const int first = asked;
        QVERIFY(first > 0);
        for (const int width : {500, 1100, 800}) {
            shell.resize(width, 700);
            view->document()->size();
            view->viewport()->grab();
        }
        QCOMPARE(asked, first);

        static const QRegularExpression source(QStringLiteral("<img [^>]*src=\"([^\"]+)\""));
        const QString name = source.match(findEmbeddedPageText(page)).captured(1);
        const QVariant image = view->document()->resource(QTextDocument::ImageResource, QUrl(name));
        QCOMPARE(image.userType(), int(QMetaType::QPixmap));
    }

    // Find in page and printing take the page shown after Back, not the
    // last one parsed.
    void findAndPrintSeeThePageShownAfterBack()
    {
        Shell shell;
        const QStringList pages = classPages(shell, 2);
        shell.linkLoad(pages.at(0));
        const QString title = shell.pageView()->documentTitle();
        shell.linkLoad(pages.at(1));
        shell.backward();
        QCOMPARE(shell.currentPage(), pages.at(0));
        QCOMPARE(shell.pageView()->documentTitle(), title);

        const QString word = title.section(QLatin1Char(' '), 0, 0);
        m_modal.whenModal([word](QWidget *modal) {
            auto *dialog = qobject_cast<SearchDialog *>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            dialog->lineSearch->setText(word);
            dialog->buttonOk->click();
        });
        shell.search();
        m_modal.dropPendingAnswers();
        QCOMPARE(shell.pageView()->textCursor().selectedText(), word);
        QCOMPARE(shell.pageView()->textCursor().document(), shell.pageView()->document());

        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        shell.printDocument(&printer);
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-l"), QStringLiteral("2"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(text.readAllStandardOutput()).contains(word), qPrintable(word));
    }

    // A start on a named page: the page opens at once, the start page waits
    // behind it in the history, laid out only when Back leads there. A name
    // that opens no page, or names the start page, starts on the start page.
    void startOnANamedPage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("startPageBehind");

        QTest::newRow("page name") << "qwidget.html"
                                   << "qwidget.html" << true;
        QTest::newRow("class name") << "QWidget"
                                    << "qwidget.html" << true;
        QTest::newRow("qualified member") << "QTimer::singleShot"
                                          << "qtimer.html" << true;
        QTest::newRow("the start page itself") << "index.html"
                                               << "index.html" << false;
        QTest::newRow("no such name") << "xyzzyqqq"
                                      << "index.html" << false;
    }

    void startOnANamedPage()
    {
        QFETCH(QString, name);
        QFETCH(QString, page);
        QFETCH(bool, startPageBehind);
        for (const Shell::Start start : {Shell::Start::Fresh, Shell::Start::RestoringSession}) {
            Shell shell(nullptr, nullptr, start, name);
            PageBrowser *view = shell.pageView();
            QCOMPARE(shell.currentPage(), page);
            QVERIFY(!view->document()->isEmpty());
            QCOMPARE(backEnabled(), startPageBehind);
            if (!startPageBehind)
                continue;
            // Not parsed: nothing is kept for Back.
            QCOMPARE(view->keptDocumentCount(), 0);
            view->backward();
            QCOMPARE(shell.currentPage(), QStringLiteral("index.html"));
            QVERIFY(view->document()->toPlainText().contains(QLatin1String("Velmora")));
            QVERIFY(forwardEnabled());
            view->forward();
            QCOMPARE(shell.currentPage(), page);
        }
    }
};

QTEST_MAIN(tst_History)
#include "tst_history.moc"
