// Velmora: what the command line asks of the program.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringList>

namespace tarn::cli {

// The program's own options are long ones ("--search"), and "-h" and "-v";
// options with one dash are Qt's ("-platform offscreen", "-style fusion")
// and go to the application object untouched.
struct Invocation
{
    enum Action {
        Run,     // open the window (or hand the request to the one open)
        Help,    // print `output` and exit 0
        Version, // likewise
        Error,   // print `output` to standard error and exit 2
    };
    Action action = Run;
    QString output;
    QString name;            // what to look up, words joined by a blank; may be empty
    QString search;          // --search: words for the full-text search
    bool openSearch = false; // --search, with words or without ("--search=")
    bool newWindow = false;
    bool newTab = false;         // --new-tab: NAME in a tab of its own
    bool searchProvider = false; // --search-provider: serve the desktop's search
    QStringList qtArguments;     // the program name and Qt's own options
};

Invocation parseCommandLine(const QStringList &arguments);

// Whether `text` is a link of some scheme ("https://…", "file:/…",
// "mailto:…"): a request may only name documentation. "Qt::AlignLeft" is
// no link.
bool isLink(const QString &text);

} // namespace tarn::cli
