// Velmora: tests of the page theme: the choice kept, the desktop followed, the contrast of both.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "hithighlight.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "savedstate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPalette>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTest>
#include <QTextDocument>
#include <QTextFrame>
#include <QTimer>

using tarn::Shell;
using tarn::Theme;

Q_DECLARE_METATYPE(tarn::Theme)

namespace {

const QString themeKey = QString::fromLatin1(tarn::settingskeys::theme);

QSettings store()
{
    return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
}

void choose(const char *action)
{
    tarn::Action *found = tarn::Action::find(QString::fromLatin1(action));
    QVERIFY2(found, action);
    found->trigger();
    // The palette reaches the windows by posted events.
    QCoreApplication::processEvents();
}

bool isDark(const QColor &colour)
{
    return colour.lightness() < 128;
}

// The page's background as its document has it (the body's).
QColor pageBackground(PageBrowser *view)
{
    return view->document()->rootFrame()->frameFormat().background().color();
}

// The relative luminance and contrast ratio of WCAG 2.
double luminance(const QColor &c)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// A sheet's rules: selector -> its declarations, property -> value.
using Rules = QMap<QString, QMap<QString, QString>>;

Rules readSheet(const QString &name)
{
    QFile file(QStringLiteral(VELMORA_SOURCE_DIR "/docset/style/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString css = QString::fromUtf8(file.readAll());
    css.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"),
                                  QRegularExpression::DotMatchesEverythingOption));
    Rules rules;
    const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^}]*)\\}"));
    for (auto it = rule.globalMatch(css); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        for (const QString &selector : m.captured(1).split(u',')) {
            for (const QString &declaration : m.captured(2).split(u';')) {
                const qsizetype colon = declaration.indexOf(u':');
                if (colon > 0)
                    rules[selector.simplified()][declaration.left(colon).trimmed()] =
                        declaration.mid(colon + 1).trimmed();
            }
        }
    }
    return rules;
}

} // namespace

class tst_Theme : public QObject
{
    Q_OBJECT

    QPalette m_desktop;

    // The desktop's palette for one test: a dark one, or the style's own.
    void setDesktop(bool dark)
    {
        QPalette palette = QApplication::style()->standardPalette();
        if (dark) {
            palette.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
            palette.setColor(QPalette::WindowText, Qt::white);
            palette.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
            palette.setColor(QPalette::Text, Qt::white);
        }
        QApplication::setPalette(palette);
        m_desktop = QApplication::palette();
    }

private Q_SLOTS:
    void init()
    {
        store().clear();
        setDesktop(false);
    }

    void themeFromStored_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<Theme>("theme");
        QTest::newRow("System") << QVariant(QStringLiteral("System")) << Theme::System;
        QTest::newRow("Light") << QVariant(QStringLiteral("Light")) << Theme::Light;
        QTest::newRow("Dark") << QVariant(QStringLiteral("Dark")) << Theme::Dark;
        QTest::newRow("by hand, any case, blanks")
            << QVariant(QStringLiteral(" dark\n")) << Theme::Dark;
        QTest::newRow("absent") << QVariant() << Theme::System;
        QTest::newRow("empty") << QVariant(QString()) << Theme::System;
        QTest::newRow("another word") << QVariant(QStringLiteral("Darker")) << Theme::System;
        QTest::newRow("list") << QVariant(QStringList{QStringLiteral("Dark")}) << Theme::System;
        QTest::newRow("number") << QVariant(2) << Theme::System;
    }

    void themeFromStored()
    {
        QFETCH(QVariant, stored);
        QFETCH(Theme, theme);
        QCOMPARE(tarn::themeFromStored(stored), theme);
        QCOMPARE(tarn::themeFromName(tarn::themeName(theme)), theme);
    }

    // Chosen in the menu, written at once and there in the next window.
    void choiceStoredAndRestored_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<Theme>("theme");
        QTest::addColumn<bool>("dark");
        QTest::newRow("dark") << QStringLiteral("Shell/ThemeDark") << Theme::Dark << true;
        QTest::newRow("light") << QStringLiteral("Shell/ThemeLight") << Theme::Light << false;
        QTest::newRow("system") << QStringLiteral("Shell/ThemeSystem") << Theme::System << false;
    }

    void choiceStoredAndRestored()
    {
        QFETCH(QString, action);
        QFETCH(Theme, theme);
        QFETCH(bool, dark);
        {
            Shell shell;
            choose("Shell/ThemeDark");
            choose(qPrintable(action));
            QCOMPARE(shell.theme(), theme);
            QCOMPARE(store().value(themeKey).toString(), tarn::themeName(theme));
        }
        // The window handed the desktop's palette back as it went.
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 m_desktop.color(QPalette::Window));
        Shell again;
        QCOMPARE(again.theme(), theme);
        QCOMPARE(again.showsDarkPages(), dark);
        QCOMPARE(isDark(pageBackground(again.pageView())), dark);
        QVERIFY(tarn::Action::find(action)->isChecked());
    }

    void damagedValueGivesSystem_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("unknown word") << QByteArray("theme=Midnight");
        QTest::newRow("list") << QByteArray("theme=Dark, Light");
        QTest::newRow("empty") << QByteArray("theme=");
        QTest::newRow("group") << QByteArray("theme\\dark=1");
        QTest::newRow("binary") << QByteArray("theme=@ByteArray(\\0Dark)");
    }

    void damagedValueGivesSystem()
    {
        QFETCH(QByteArray, line);
        const QString path = store().fileName();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[velmora]\nview\\" + line + "\n");
        file.close();
        Shell shell;
        QCOMPARE(shell.theme(), Theme::System);
        QVERIFY(!shell.showsDarkPages());
        QVERIFY(tarn::Action::find(QStringLiteral("Shell/ThemeSystem"))->isChecked());
    }

    // System follows the desktop; Light and Dark hold whatever it is, and
    // the window's palette goes with the pages.
    void pagesAndPaletteFollowTheTheme_data()
    {
        QTest::addColumn<bool>("desktopDark");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("dark");
        QTest::newRow("light desktop, system") << false << "Shell/ThemeSystem" << false;
        QTest::newRow("dark desktop, system") << true << "Shell/ThemeSystem" << true;
        QTest::newRow("light desktop, dark") << false << "Shell/ThemeDark" << true;
        QTest::newRow("dark desktop, light") << true << "Shell/ThemeLight" << false;
    }

    void pagesAndPaletteFollowTheTheme()
    {
        QFETCH(bool, desktopDark);
        QFETCH(QString, action);
        QFETCH(bool, dark);
        setDesktop(desktopDark);
        Shell shell;
        PageBrowser *view = shell.pageView();
        QCOMPARE(isDark(pageBackground(view)), desktopDark);
        shell.load(QStringLiteral("qwidget.html"));
        choose(qPrintable(action));
        QCOMPARE(shell.showsDarkPages(), dark);
        QCOMPARE(isDark(pageBackground(view)), dark);
        QCOMPARE(isDark(QApplication::palette().color(QPalette::Window)), dark);
        QCOMPARE(isDark(view->palette().color(QPalette::Base)), dark);
        QCOMPARE(isDark(tarn::hitMarkFormat(view->palette()).background().color()), dark);
        // Back to the desktop: its own palette again.
        choose("Shell/ThemeSystem");
        QCOMPARE(QApplication::palette().color(QPalette::Window),
                 m_desktop.color(QPalette::Window));
        QCOMPARE(isDark(pageBackground(view)), desktopDark);
    }

    // With System, the pages follow the desktop when it changes during the
    // run, and back; Dark holds.
    void systemFollowsTheDesktopAsItChanges()
    {
        Shell shell;
        PageBrowser *view = shell.pageView();
        QVERIFY(!isDark(pageBackground(view)));
        setDesktop(true);
        QCoreApplication::processEvents();
        QVERIFY(shell.showsDarkPages());
        QVERIFY(isDark(pageBackground(view)));
        setDesktop(false);
        QCoreApplication::processEvents();
        QVERIFY(!shell.showsDarkPages());
        choose("Shell/ThemeDark");
        setDesktop(true);
        setDesktop(false);
        QCoreApplication::processEvents();
        QVERIFY(shell.showsDarkPages());
    }

    // A page view made later (a tab's) gets the look and the
    // menu at the next change, as the first one does.
    void everyPageViewGetsTheLook()
    {
        Shell shell;
        auto *later = new PageBrowser(shell.form());
        choose("Shell/ThemeDark");
        QVERIFY(!later->pageLook().styleSheets.isEmpty());
        QVERIFY(later->pageLook() == shell.pageView()->pageLook());
        choose("Shell/ThemeLight");
        QVERIFY(later->pageLook() == PageLook());
    }

    // The choice is in the page's context menu, beside Copy and Select All,
    // with the theme in use checked.
    void pageContextMenuOffersTheTheme()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        choose("Shell/ThemeLight");
        QStringList seen;
        QTimer::singleShot(0, this, [&seen] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction *action : menu->actions()) {
                if (!action->menu())
                    continue;
                seen.append(action->text());
                for (QAction *item : action->menu()->actions())
                    seen.append(item->text()
                                + (item->isChecked() ? QStringLiteral(" *") : QString()));
            }
            menu->close();
        });
        PageBrowser *view = shell.pageView();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                view->viewport()->mapToGlobal(QPoint(20, 20)));
        QCoreApplication::sendEvent(view->viewport(), &event);
        QCOMPARE(seen,
                 QStringList({QStringLiteral("Theme"), QStringLiteral("System"),
                              QStringLiteral("Light *"), QStringLiteral("Dark")}));
    }

    // A change of theme keeps the page, its history and the line at the top.
    void switchingKeepsThePlace()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *view = shell.pageView();
        shell.load(QStringLiteral("qobject.html"));
        shell.load(QStringLiteral("qwidget.html"));
        view->finishPage();
        // A row of the Public Functions table.
        const int position = view->document()->find(QStringLiteral("inputMethodQuery")).position();
        QVERIFY(position > 0);
        view->scrollToTextPosition(position);
        const int backCount = shell.backCount();
        choose("Shell/ThemeDark");
        QCOMPARE(shell.currentPage(), QStringLiteral("qwidget.html"));
        QCOMPARE(shell.backCount(), backCount);
        QTextCursor cursor(view->document());
        cursor.setPosition(position);
        QVERIFY2(qAbs(view->cursorRect(cursor).top()) <= QFontMetrics(view->font()).lineSpacing(),
                 qPrintable(QString::number(view->cursorRect(cursor).top())));
        // Back to a page parsed before the change: it comes dark too.
        shell.backward();
        QCOMPARE(shell.currentPage(), QStringLiteral("qobject.html"));
        QVERIFY(isDark(pageBackground(view)));
    }

    // Transparent drawings get a light plate on dark pages; not on light ones.
    void diagramsGetALightPlate()
    {
        const QString diagram = QStringLiteral("animations-architecture.png");
        Shell shell;
        PageBrowser *view = shell.pageView();
        const auto shown = [view, &diagram] {
            return view->document()
                ->resource(QTextDocument::ImageResource, QUrl(diagram))
                .value<QPixmap>()
                .toImage();
        };
        shell.load(QStringLiteral("animation-overview.html"));
        view->finishPage();
        view->document()->size();
        QVERIFY(shown().hasAlphaChannel());
        choose("Shell/ThemeDark");
        view->finishPage();
        view->document()->size();
        const QImage plated = shown();
        QVERIFY(!plated.isNull());
        QVERIFY(!plated.hasAlphaChannel());
        QVERIFY(QColor(plated.pixel(0, 0)).lightness() > 200);
    }

    // An image the document decodes itself (a data: URL) is left to it in
    // either theme, plate or none.
    void dataImagesLeftToTheDocument()
    {
        Shell shell;
        PageBrowser *view = shell.pageView();
        const QUrl dot(QStringLiteral(
            "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk"
            "YPhfDwAChwGA60e6kgAAAABJRU5ErkJggg=="));
        QVERIFY(!view->loadResource(QTextDocument::ImageResource, dot).isValid());
        choose("Shell/ThemeDark");
        QVERIFY(!view->loadResource(QTextDocument::ImageResource, dot).isValid());
    }

    // Both sheets: every text colour on every background at 4.5:1 or more
    // (WCAG AA), body text, links, code and its colours included; and the
    // search hit marks on either palette.
    void contrastReachesAA_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::newRow("light") << QStringLiteral("offline.css");
        QTest::newRow("dark") << QStringLiteral("offline-dark.css");
    }

    void contrastReachesAA()
    {
        QFETCH(QString, sheet);
        const Rules rules = readSheet(sheet);
        QVERIFY2(rules.contains(QStringLiteral("body")), qPrintable(sheet));
        QMap<QString, QColor> texts;
        QMap<QString, QColor> grounds;
        for (auto it = rules.cbegin(); it != rules.cend(); ++it) {
            if (it->contains(QStringLiteral("color")))
                texts.insert(it.key(), QColor(it->value(QStringLiteral("color"))));
            if (it->contains(QStringLiteral("background-color")))
                grounds.insert(it.key(), QColor(it->value(QStringLiteral("background-color"))));
        }
        for (const QString &needed : {QStringLiteral("body"), QStringLiteral("a"),
                                      QStringLiteral("code"), QStringLiteral("span.comment")})
            QVERIFY2(texts.contains(needed), qPrintable(needed));
        QVERIFY(grounds.contains(QStringLiteral("pre")));
        for (auto text = texts.cbegin(); text != texts.cend(); ++text) {
            QVERIFY2(text->isValid(), qPrintable(text.key()));
            for (auto ground = grounds.cbegin(); ground != grounds.cend(); ++ground) {
                const double ratio = contrast(*text, *ground);
                QVERIFY2(ratio >= 4.5,
                         qPrintable(QStringLiteral("%1 on %2: %3:1")
                                        .arg(text.key(), ground.key())
                                        .arg(ratio, 0, 'f', 2)));
            }
        }

        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Base, grounds.value(QStringLiteral("body")));
        const QTextCharFormat mark = tarn::hitMarkFormat(palette);
        QVERIFY(contrast(mark.foreground().color(), mark.background().color()) >= 4.5);
    }

    // The dark sheet styles what the light one styles, rule for rule, with
    // the same sizes and spacing: only colours differ.
    void darkSheetDiffersOnlyInColour()
    {
        const Rules light = readSheet(QStringLiteral("offline.css"));
        const Rules dark = readSheet(QStringLiteral("offline-dark.css"));
        QCOMPARE(dark.keys(), light.keys());
        for (auto it = light.cbegin(); it != light.cend(); ++it) {
            const auto &other = dark.value(it.key());
            QCOMPARE(other.keys(), it->keys());
            for (auto d = it->cbegin(); d != it->cend(); ++d) {
                if (!d.key().contains(QLatin1String("color")) && d.key() != QLatin1String("border"))
                    QCOMPARE(other.value(d.key()), d.value());
            }
        }
    }
};

QTEST_MAIN(tst_Theme)
#include "tst_theme.moc"
