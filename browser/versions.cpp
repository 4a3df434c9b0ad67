// Velmora: the program's and the embedded documentation's versions.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "versions.h"

#include "embeddedfiles.h"

namespace tarn {

const QString &programVersion()
{
    static const QString version = QStringLiteral("2.0");
    return version;
}

const QString &documentationVersion()
{
    // Read from the embedded table, so the caption names the reference that
    // is really inside the program.
    static const QString version =
        QLatin1String("2.0 Qt ") + QString::fromLatin1(embeddedDocumentationVersion);
    return version;
}

} // namespace tarn
