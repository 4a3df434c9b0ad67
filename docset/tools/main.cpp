// Velmora: velmora-drawicons, which writes the program's own images.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "iconset.h"
#include "indexedimage.h"
#include "paintkit.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTextStream>

#include <cstdio>

using namespace tarn::icons;

namespace {

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

QImage forSaving(const NamedImage &named)
{
    if (named.indexed)
        return toIndexedWithAlpha(named.image);
    if (named.opaque)
        return named.image.convertToFormat(QImage::Format_RGB32);
    return named.image.convertToFormat(QImage::Format_ARGB32);
}

// Reads the file back and checks what the program relies on: the size, an
// alpha channel exactly where wanted, and the palette format of indexed ones.
bool verify(const QString &path, const NamedImage &named, const QSize &size)
{
    QImageReader reader(path);
    const QImage loaded = reader.read();
    QString problem;
    if (loaded.isNull())
        problem = QStringLiteral("cannot be read back: ") % reader.errorString();
    else if (loaded.size() != size)
        problem = QStringLiteral("has the wrong size");
    else if (loaded.hasAlphaChannel() == named.opaque)
        problem = named.opaque ? QStringLiteral("has an alpha channel")
                               : QStringLiteral("has no alpha channel");
    else if (named.indexed && loaded.format() != QImage::Format_Indexed8)
        problem = QStringLiteral("is not an 8-bit palette image");
    if (problem.isEmpty())
        return true;
    err() << path << ' ' << problem << Qt::endl;
    return false;
}

// A contact sheet: every icon at four times its size with square pixels, the
// same icons at real size in a mock toolbar and list (enlarged twice for
// viewing), then the logo and the splash image as they are.
QImage contactSheet(const QList<NamedImage> &images)
{
    const int zoom = 4;
    const int sheetWidth = 1200;
    const int margin = 20;
    const QColor backdrop(0xe4, 0xe4, 0xe2);
    const QFont label = dejaVu(11);
    const int labelHeight = QFontMetrics(label).height() + 4;

    QList<NamedImage> icons;
    QList<NamedImage> pictures;
    for (const NamedImage &named : images)
        (named.image.width() <= 48 ? icons : pictures).append(named);

    // Lay the enlarged icons out in rows first, to know the sheet's height.
    struct Placed
    {
        const NamedImage *named;
        QRect rect;
    };
    QList<Placed> placed;
    int x = margin;
    int y = margin;
    int rowHeight = 0;
    for (const NamedImage &named : icons) {
        const QSize shown = named.image.size() * zoom;
        const int advance = qMax(shown.width(), 104) + 16;
        if (x + advance > sheetWidth - margin) {
            x = margin;
            y += rowHeight + labelHeight + 12;
            rowHeight = 0;
        }
        placed.append({&named, QRect(QPoint(x, y), shown)});
        x += advance;
        rowHeight = qMax(rowHeight, shown.height());
    }
    y += rowHeight + labelHeight + 20;

    // The real-size mock-up.
    QImage real(sheetWidth / 2 - margin, 370, QImage::Format_RGB32);
    real.fill(QColor(0xef, 0xef, 0xef));
    {
        QPainter r(&real);
        r.setRenderHint(QPainter::TextAntialiasing);
        r.setFont(dejaVu(12));
        r.setPen(tones::ink);
        const QRect list(6, 34, 250, real.height() - 40);
        r.fillRect(list, Qt::white);
        r.setPen(QColor(0xb0, 0xb0, 0xb0));
        r.drawRect(list.adjusted(0, 0, -1, -1));
        int toolX = 6;
        int rowY = list.top() + 3;
        int windowX = list.right() + 16;
        for (const NamedImage &named : icons) {
            const int side = named.image.width();
            if (side == 22 && !named.fileName.startsWith(QLatin1String("velmora"))) {
                r.drawImage(QPoint(toolX, 6), named.image);
                toolX += 26;
            } else if (side == 16 && !named.fileName.startsWith(QLatin1String("velmora"))) {
                r.drawImage(QPoint(list.left() + 4, rowY), named.image);
                QString text = named.fileName;
                text.chop(4);
                r.setPen(tones::ink);
                r.drawText(QPoint(list.left() + 26, rowY + 13), text);
                rowY += 18;
                if (rowY + 18 > list.bottom()) {
                    rowY = list.top() + 3;
                    r.translate(list.width() + 10, 0);
                }
            } else {
                r.resetTransform();
                r.drawImage(QPoint(windowX, 40), named.image);
                windowX += side + 8;
            }
        }
    }
    const int realTop = y;
    y += real.height() * 2 + 20;
    int picturesTop = y;
    for (const NamedImage &named : pictures)
        y += named.image.height() + 20;

    QImage sheet(sheetWidth, y, QImage::Format_RGB32);
    sheet.fill(backdrop);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(label);
    p.setPen(tones::ink);
    for (const Placed &item : placed) {
        p.drawImage(item.rect, item.named->image);
        QString text = item.named->fileName;
        text.chop(4);
        text.remove(QLatin1String("contents"));
        p.drawText(QPoint(item.rect.left(), item.rect.bottom() + labelHeight), text);
    }
    p.drawImage(QRect(QPoint(margin, realTop), real.size() * 2), real);
    for (const NamedImage &named : pictures) {
        p.drawImage(QPoint(margin, picturesTop), named.image);
        picturesTop += named.image.height() + 20;
    }
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    // The tool never shows a window; keep it usable without a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("velmora-drawicons"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws Velmora's toolbar, list, logo, splash and window images."));
    parser.addHelpOption();
    const QCommandLineOption themeOption(
        QStringLiteral("theme"),
        QStringLiteral("Icon theme folder to take toolbar images from (default: %1).")
            .arg(QStringLiteral("/usr/share/icons/Tango")),
        QStringLiteral("dir"), QStringLiteral("/usr/share/icons/Tango"));
    const QCommandLineOption noThemeOption(QStringLiteral("no-theme"),
                                           QStringLiteral("Draw every image."));
    const QCommandLineOption previewOption(QStringLiteral("preview"),
                                           QStringLiteral("Also write a contact sheet to <file>."),
                                           QStringLiteral("file"));
    parser.addOptions({themeOption, noThemeOption, previewOption});
    parser.addPositionalArgument(QStringLiteral("folder"),
                                 QStringLiteral("Where to write the images."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    QString problem;
    if (!fontsAvailable(&problem)) {
        err() << problem << Qt::endl;
        return 1;
    }

    const QDir folder(parser.positionalArguments().constFirst());
    if (!folder.mkpath(QStringLiteral("."))) {
        err() << "cannot create " << folder.path() << Qt::endl;
        return 1;
    }

    const QString themeDir = parser.isSet(noThemeOption) ? QString() : parser.value(themeOption);
    QList<NamedImage> images;
    QList<NamedImage> doubled;
    for (const int scale : {1, 2}) {
        setDrawingScale(scale);
        QList<NamedImage> &set = scale == 1 ? images : doubled;
        set = toolbarImages(themeDir);
        set += listImages();
        set += brandImages();
    }
    setDrawingScale(1);
    // The program looks the double-size image up as "Back-2x.png" for "Back.png".
    for (NamedImage &named : doubled) {
        named.fileName.insert(named.fileName.lastIndexOf(u'.'), QLatin1String("-2x"));
        if (named.origin.startsWith(QLatin1String("theme 22x22/"))) {
            named.origin.replace(QLatin1String("theme 22x22/"), QLatin1String("theme scalable/"));
            named.origin.replace(QLatin1String(".png"), QLatin1String(".svg"));
        }
    }

    QTextStream out(stdout);
    bool ok = true;
    for (const NamedImage &named : images + doubled) {
        const QString path = folder.filePath(named.fileName);
        const QImage image = forSaving(named);
        QImageWriter writer(path, "png");
        if (!writer.write(image)) {
            err() << path << ": " << writer.errorString() << Qt::endl;
            ok = false;
            continue;
        }
        ok = verify(path, named, image.size()) && ok;
        out << named.fileName << '\t' << image.width() << 'x' << image.height() << '\t'
            << (named.indexed      ? "indexed+alpha"
                    : named.opaque ? "opaque"
                                   : "alpha")
            << '\t' << named.origin << Qt::endl;
    }

    if (parser.isSet(previewOption)) {
        const QString previewPath = parser.value(previewOption);
        if (!contactSheet(images).save(previewPath, "png")) {
            err() << "cannot write " << previewPath << Qt::endl;
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
