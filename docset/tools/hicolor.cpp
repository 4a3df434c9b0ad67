// Velmora: velmora-drawhicolor, which writes the large window icons for desktop menus.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "iconset.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <QTextStream>

// The program itself needs only the four small sizes; desktop menus and
// software centres want 64 and up, drawn from the same mark rather than
// scaled from the 48 pixel one.
int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        err << "usage: velmora-drawhicolor <folder>" << Qt::endl;
        return 2;
    }
    const QDir folder(args.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        err << "cannot create " << folder.path() << Qt::endl;
        return 1;
    }
    bool ok = true;
    for (int side : {64, 128, 256}) {
        const QString path = folder.filePath(QStringLiteral("velmora-%1.png").arg(side));
        QImageWriter writer(path, "png");
        if (!writer.write(tarn::icons::drawMark(side).convertToFormat(QImage::Format_ARGB32))) {
            err << path << ": " << writer.errorString() << Qt::endl;
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
