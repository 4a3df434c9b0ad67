// Velmora: the system web browser for links outside the documentation.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "externalbrowser.h"

namespace tarn {

// $BROWSER when the user set one (its first entry), else the desktop's opener.
QString browserProgram()
{
    const QString chosen = qEnvironmentVariable("BROWSER").section(QLatin1Char(':'), 0, 0);
    return chosen.isEmpty() ? QStringLiteral("xdg-open") : chosen;
}

// The environment of the browser: ours, with the program's private library
// folder taken out of every LD_LIBRARY_PATH entry.
QStringList browserEnvironment(const QStringList &environment)
{
    QStringList result;
    result.reserve(environment.size());
    for (QString entry : environment) {
        if (entry.startsWith(QLatin1String("LD_LIBRARY_PATH")))
            entry.remove(QStringLiteral("/usr/local/tessaravox/lib"));
        result.append(entry);
    }
    return result;
}

} // namespace tarn
