// Velmora: tests of printing the page shown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"
#include "printlayout.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using tarn::PrintGeometry;
using tarn::Shell;

namespace {

// One word of a printed sheet, in points from the sheet's top-left corner.
struct Word
{
    QString text;
    QRectF box;
};

struct Sheet
{
    QSizeF size;
    QList<Word> words;
};

// Runs a poppler tool; its standard output, or a null array on failure.
QByteArray runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

// The words of every sheet with their boxes, as the PDF's text reader sees them.
QList<Sheet> readSheets(const QString &pdf)
{
    const QString out = QString::fromUtf8(
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}));
    static const QRegularExpression page(
        QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Sheet> sheets;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        if (const auto m = page.match(line); m.hasMatch()) {
            sheets.append({{m.captured(1).toDouble(), m.captured(2).toDouble()}, {}});
        } else if (const auto m = word.match(line); m.hasMatch() && !sheets.isEmpty()) {
            const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
            const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
            sheets.last().words.append({m.captured(5), QRectF(topLeft, bottomRight)});
        }
    }
    return sheets;
}

// Page objects in the file, not the page tree ("/Pages").
int pageObjects(const QString &pdf)
{
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression pageType(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return int(QString::fromLatin1(file.readAll()).count(pageType));
}

} // namespace

class tst_Print : public QObject
{
    Q_OBJECT

    static QSettings store()
    {
        return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    }

    QTemporaryDir m_dir;
    int m_files = 0;

    // Prints the page shown into a new PDF file and answers its name.
    QString printToPdf(Shell &shell)
    {
        const QString name = m_dir.filePath(QStringLiteral("sheet%1.pdf").arg(++m_files));
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(name);
        printer.setPageSize(QPageSize(QPageSize::A4));
        shell.printDocument(&printer);
        return name;
    }

    // Shows text the store holds under name, as if a page of the set.
    static void showOwnPage(Shell &shell, const QString &name, const QString &html)
    {
        MimeSourceFactory::defaultFactory()->setText(name, html);
        shell.pageView()->setSource(QUrl(name));
    }

    static QImage renderSheet(const QString &pdf, int sheet)
    {
        const QString prefix = QFileInfo(pdf).path() + QStringLiteral("/render");
        QFile::remove(prefix + QStringLiteral(".png"));
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
                 QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(sheet),
                 QStringLiteral("-l"), QString::number(sheet), pdf, prefix});
        return QImage(prefix + QStringLiteral(".png"));
    }

    static int countPixels(const QImage &image, bool (*test)(QRgb))
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                count += test(image.pixel(x, y)) ? 1 : 0;
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { store().clear(); }

    void sheetCount_data()
    {
        QTest::addColumn<int>("textHeight");
        QTest::addColumn<int>("bandHeight");
        QTest::addColumn<int>("sheets");
        QTest::newRow("empty") << 0 << 931 << 1;
        QTest::newRow("one unit") << 1 << 931 << 1;
        QTest::newRow("one band") << 931 << 931 << 1;
        QTest::newRow("one band and a unit") << 932 << 931 << 2;
        QTest::newRow("two bands") << 1862 << 931 << 2;
        QTest::newRow("two bands and a unit") << 1863 << 931 << 3;
        QTest::newRow("many") << 931 * 40 + 5 << 931 << 41;
        QTest::newRow("negative height") << -10 << 931 << 1;
        QTest::newRow("no band") << 500 << 0 << 1;
    }

    void sheetCount()
    {
        QFETCH(int, textHeight);
        QFETCH(int, bandHeight);
        QFETCH(int, sheets);
        QCOMPARE(tarn::sheetCount(textHeight, bandHeight), sheets);
    }

    void printGeometry_data()
    {
        QTest::addColumn<QSize>("sheet");
        QTest::addColumn<QSize>("dpi");
        QTest::addColumn<QRect>("area");

        QTest::newRow("A4 at 96 dpi")
            << QSize(793, 1123) << QSize(96, 96) << QRect(96, 96, 601, 931);
        QTest::newRow("letter at 300 dpi")
            << QSize(2550, 3300) << QSize(300, 300) << QRect(300, 300, 1950, 2700);
        QTest::newRow("unequal resolutions")
            << QSize(600, 1200) << QSize(72, 144) << QRect(72, 144, 456, 912);
    }

    void printGeometry()
    {
        QFETCH(QSize, sheet);
        QFETCH(QSize, dpi);
        QFETCH(QRect, area);
        const PrintGeometry geometry =
            tarn::printGeometry(sheet.width(), sheet.height(), dpi.width(), dpi.height());
        QCOMPARE(geometry.area, area);
        QCOMPARE(geometry.bandHeight, area.height());
    }

    void shortPagePrintsOneSheet()
    {
        Shell shell;
        shell.load(QStringLiteral("vxabout.html"));
        const QString pdf = printToPdf(shell);
        QCOMPARE(pageObjects(pdf), 1);
    }

    void everySheetHasItsNumberInTheMargin()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        Shell shell;
        shell.load(QStringLiteral("qobject.html"));
        const QString pdf = printToPdf(shell);
        const QList<Sheet> sheets = readSheets(pdf);
        QCOMPARE(pageObjects(pdf), sheets.size());
        QVERIFY(sheets.size() > 10);

        // One inch is 72 points; the number's top stands 5 device units
        // (here 3.75 points) below the print area, its right end on the
        // area's right edge.
        for (int i = 0; i < sheets.size(); ++i) {
            const Sheet &sheet = sheets.at(i);
            const QRectF area(72, 72, sheet.size.width() - 144, sheet.size.height() - 144);
            bool found = false;
            for (const Word &word : sheet.words) {
                found = found
                    || (word.text == QString::number(i + 1) && word.box.top() > area.bottom()
                        && word.box.top() < area.bottom() + 8
                        && qAbs(word.box.right() - area.right()) < 3);
            }
            QVERIFY2(found, qPrintable(QString::number(i + 1)));
        }

        // Nothing but the number is drawn outside the print area.
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed");
        QDir out(m_dir.filePath(QStringLiteral("margins")));
        QVERIFY(out.mkpath(QStringLiteral(".")));
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"), pdf,
                 out.filePath(QStringLiteral("sheet"))});
        const QStringList images =
            out.entryList({QStringLiteral("sheet-*.png")}, QDir::Files, QDir::Name);
        QCOMPARE(images.size(), sheets.size());

        // At 50 dots per inch the margin is 50 pixels; leave a pixel for
        // smoothing at the area's edge.
        auto inked = [](QRgb c) { return qRed(c) < 200 || qGreen(c) < 200 || qBlue(c) < 200; };
        for (int i = 0; i < images.size(); ++i) {
            const QImage image(out.filePath(images.at(i)));
            QVERIFY(!image.isNull());
            const QRect area(50, 50, image.width() - 100, image.height() - 100);
            const QRect number(area.right() - 30, area.bottom() + 1, 32, 14);
            int inArea = 0;
            int numberInk = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (!inked(image.pixel(x, y)))
                        continue;
                    const QPoint at(x, y);
                    if (area.adjusted(-1, -1, 1, 1).contains(at))
                        ++inArea;
                    else if (number.contains(at))
                        ++numberInk;
                    else
                        QFAIL(qPrintable(
                            QStringLiteral("ink at %1,%2 on sheet %3").arg(x).arg(y).arg(i + 1)));
                }
            }
            QVERIFY2(inArea > 0, qPrintable(QString::number(i + 1)));
            QVERIFY2(numberInk > 0, qPrintable(QString::number(i + 1)));
        }
    }

    void zoomDoesNotChangeThePrint()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        Shell shell;
        shell.load(QStringLiteral("qpushbutton.html"));
        const QString before = printToPdf(shell);
        for (int i = 0; i < 5; ++i)
            shell.zoomIn();
        const QString after = printToPdf(shell);
        QCOMPARE(pageObjects(after), pageObjects(before));
        const QList<Sheet> first = readSheets(before);
        const QList<Sheet> second = readSheets(after);
        QCOMPARE(second.size(), first.size());
        for (int i = 0; i < first.size(); ++i) {
            QCOMPARE(second.at(i).words.size(), first.at(i).words.size());
            for (int w = 0; w < first.at(i).words.size(); ++w) {
                QCOMPARE(second.at(i).words.at(w).text, first.at(i).words.at(w).text);
                QCOMPARE(second.at(i).words.at(w).box, first.at(i).words.at(w).box);
            }
        }
    }

    void fixedFamilyReachesThePrint()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty())
            QSKIP("pdffonts is not installed");
        const QStringList families = {QStringLiteral("DejaVu Serif"),
                                      QStringLiteral("Nimbus Mono PS")};
        const QStringList fontNames = {QStringLiteral("DejaVuSerif"),
                                       QStringLiteral("NimbusMonoPS")};
        for (const QString &family : families) {
            if (!QFontDatabase::hasFamily(family))
                QSKIP("the test families are not installed");
        }
        Shell shell;
        for (int i = 0; i < families.size(); ++i) {
            shell.applyFixedFamily(families.at(i));
            showOwnPage(shell, QStringLiteral("tst_print_code.html"),
                        QStringLiteral("<p>Text</p><pre>int main();</pre>"));
            const QString fonts =
                QString::fromUtf8(runTool(QStringLiteral("pdffonts"), {printToPdf(shell)}));
            QVERIFY2(fonts.contains(fontNames.at(i)), qPrintable(fonts));
            QVERIFY2(!fonts.contains(fontNames.at(1 - i)), qPrintable(fonts));
        }
    }

    void linksPrintBlueAndUnderlined()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed");
        Shell shell;
        // Green on screen, as the imported pages show links.
        showOwnPage(shell, QStringLiteral("tst_print_link.html"),
                    QStringLiteral("<p style=\"font-size: xx-large\">"
                                   "<a href=\"qobject.html\" style=\"color: #00b000\">"
                                   "QObject QObject QObject</a></p>"));
        const QImage image = renderSheet(printToPdf(shell), 1);
        QVERIFY(!image.isNull());
        const int blue = countPixels(
            image, [](QRgb c) { return qBlue(c) > 180 && qRed(c) < 120 && qGreen(c) < 120; });
        const int green = countPixels(
            image, [](QRgb c) { return qGreen(c) > 120 && qRed(c) < 100 && qBlue(c) < 100; });
        QVERIFY2(blue > 100, qPrintable(QString::number(blue)));
        QCOMPARE(green, 0);

        // The underline: a row of blue under the text, longer than any letter.
        int longestRun = 0;
        for (int y = 0; y < image.height(); ++y) {
            int run = 0;
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                run = (qBlue(c) > 150 && qRed(c) < 150) ? run + 1 : 0;
                longestRun = qMax(longestRun, run);
            }
        }
        QVERIFY2(longestRun > 100, qPrintable(QString::number(longestRun)));
    }

    void imagesPrintFromTheStore()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed");
        auto inked = [](QRgb c) { return qRed(c) < 200 || qGreen(c) < 200 || qBlue(c) < 200; };
        Shell shell;
        showOwnPage(shell, QStringLiteral("tst_print_image.html"),
                    QStringLiteral("<p><img src=\"logo.png\"></p>"));
        const QImage image = renderSheet(printToPdf(shell), 1);
        QVERIFY(!image.isNull());
        // Only the image can ink the print area; the number sits in the margin.
        const QImage area = image.copy(QRect(50, 50, image.width() - 100, image.height() - 100));
        QVERIFY(countPixels(area, inked) > 200);

        showOwnPage(shell, QStringLiteral("tst_print_image.html"),
                    QStringLiteral("<p><img src=\"tst_print_no_such_image.png\"></p>"));
        const QImage blank = renderSheet(printToPdf(shell), 1);
        QCOMPARE(countPixels(blank.copy(QRect(50, 50, blank.width() - 100, blank.height() - 100)),
                             inked),
                 0);
    }

    // The dark theme is for the screen: a page prints on white paper as it
    // does in the light theme, dot for dot.
    void printStaysLightInTheDarkTheme()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdftoppm is not installed");
        Shell shell;
        shell.load(QStringLiteral("qobject.html"));
        const QImage light = renderSheet(printToPdf(shell), 1);
        QVERIFY(!light.isNull());
        tarn::Action::find(QStringLiteral("Shell/ThemeDark"))->trigger();
        QVERIFY(shell.showsDarkPages());
        const QImage dark = renderSheet(printToPdf(shell), 1);
        QCOMPARE(dark, light);
        const QImage area = dark.copy(QRect(50, 50, dark.width() - 100, dark.height() - 100));
        const int paper = countPixels(area, [](QRgb c) { return qGray(c) > 240; });
        QVERIFY2(paper > area.width() * area.height() / 2, qPrintable(QString::number(paper)));
    }
};

QTEST_MAIN(tst_Print)
#include "tst_print.moc"
