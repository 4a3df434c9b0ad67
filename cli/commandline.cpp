// Velmora: what the command line asks of the program.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "commandline.h"

#include <QCommandLineParser>

namespace tarn::cli {

namespace {

// Qt's options that take a value in the next argument.
bool takesValue(const QString &qtOption)
{
    static const QStringList withValue = {
        QStringLiteral("-platform"),
        QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"),
        QStringLiteral("-plugin"),
        QStringLiteral("-qwindowgeometry"),
        QStringLiteral("-qwindowicon"),
        QStringLiteral("-qwindowtitle"),
        QStringLiteral("-style"),
        QStringLiteral("-stylesheet"),
        QStringLiteral("-display"),
        QStringLiteral("-geometry"),
        QStringLiteral("-session"),
        QStringLiteral("-name"),
        QStringLiteral("-title"),
        QStringLiteral("-visual"),
        QStringLiteral("-ncols"),
        QStringLiteral("-cmap"),
        QStringLiteral("-dialogs"),
        QStringLiteral("-fn"),
        QStringLiteral("-font"),
        QStringLiteral("-bg"),
        QStringLiteral("-fg"),
        QStringLiteral("-btn"),
        QStringLiteral("-button"),
        QStringLiteral("-im"),
        QStringLiteral("-inputstyle"),
    };
    return withValue.contains(qtOption);
}

QString versionText()
{
    return QStringLiteral("Velmora 2.0\n");
}

} // namespace

bool isLink(const QString &text)
{
    // A scheme after any white space, then ":" that is not the start of "::".
    // White space is what QString::simplified() strips, no-break space and
    // the other Unicode spaces with it: a value is simplified on its way to
    // the window, and must not become a link there.
    const auto isLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i >= text.size() || !isLetter(text.at(i)))
        return false;
    ++i;
    while (i < text.size()
           && (isLetter(text.at(i)) || (text.at(i) >= u'0' && text.at(i) <= u'9')
               || text.at(i) == u'+' || text.at(i) == u'.' || text.at(i) == u'-'))
        ++i;
    return i < text.size() && text.at(i) == u':'
        && (i + 1 == text.size() || text.at(i + 1) != u':');
}

Invocation parseCommandLine(const QStringList &arguments)
{
    Invocation result;
    result.qtArguments.append(arguments.value(0, QStringLiteral("velmora")));
    QStringList own = {result.qtArguments.first()};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--")) {
            own += arguments.mid(i);
            break;
        }
        const bool qtOption = arg.size() > 1 && arg.startsWith(u'-') && !arg.startsWith(u"--")
            && arg != QLatin1String("-h") && arg != QLatin1String("-v");
        if (qtOption) {
            result.qtArguments.append(arg);
            if (takesValue(arg) && i + 1 < arguments.size())
                result.qtArguments.append(arguments.at(++i));
        } else {
            own.append(arg);
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "An offline browser for the Qt reference documentation. NAME opens its page: a class "
        "(QString), a member (QString::arg, \"QString arg\"), an entry as the Index shows it "
        "(\"arg (QString)\") or a page (qstring.html#arg). With a window open already, that "
        "window shows it."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    const QCommandLineOption search(
        QStringLiteral("search"),
        QStringLiteral("Search every page for WORDS; with none (--search=), put the cursor in "
                       "the empty search field."),
        QStringLiteral("WORDS"));
    const QCommandLineOption newWindow(
        QStringLiteral("new-window"),
        QStringLiteral("Open a window of its own even when one is open (it keeps only its "
                       "bookmarks when closed)."));
    const QCommandLineOption newTab(
        QStringLiteral("new-tab"),
        QStringLiteral("Open NAME in a new tab of the window open already (or of the new "
                       "window), beside the tabs open there."));
    const QCommandLineOption searchProvider(
        QStringLiteral("search-provider"),
        QStringLiteral("Answer the desktop's search (GNOME Shell, KRunner) on the session bus; "
                       "no window opens until a result is chosen. This is how the bus starts "
                       "Velmora."));
    parser.addOptions({help, version, search, newWindow, newTab, searchProvider});
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("What to open."),
                                 QStringLiteral("[NAME]"));
    // Made only for a start that prints it: the parser's help names the
    // program by the path it was started with.
    const auto usage = [&parser] {
        QString text = parser.helpText();
        const QLatin1String head("Usage: ");
        if (text.startsWith(head)) {
            qsizetype end = head.size();
            while (end < text.size() && !text.at(end).isSpace())
                ++end;
            text.replace(head.size(), end - head.size(), QStringLiteral("velmora"));
        }
        return text;
    };

    if (!parser.parse(own)) {
        result.action = Invocation::Error;
        result.output =
            QStringLiteral("velmora: ") + parser.errorText() + QStringLiteral("\n\n") + usage();
        return result;
    }
    if (parser.isSet(help)) {
        result.action = Invocation::Help;
        result.output = usage();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = Invocation::Version;
        result.output = versionText();
        return result;
    }
    const QString words = parser.positionalArguments().join(u' ').simplified();
    result.newWindow = parser.isSet(newWindow);
    result.newTab = parser.isSet(newTab);
    result.searchProvider = parser.isSet(searchProvider);
    if (result.searchProvider
        && (parser.isSet(search) || result.newWindow || result.newTab || !words.isEmpty())) {
        // The bus starts it so: a NAME or a window has no place there.
        result.action = Invocation::Error;
        result.output = QStringLiteral("velmora: --search-provider takes no NAME and no other "
                                       "option\n\n")
            + usage();
        return result;
    }
    result.openSearch = parser.isSet(search);
    if (result.openSearch) {
        // "--search implicitly shared" without quotes: the words that follow
        // are the search's too.
        result.search = QString(parser.value(search) + u' ' + words).simplified();
    } else {
        result.name = words;
    }
    for (const QString &text : {result.name, result.search}) {
        if (isLink(text)) {
            result.action = Invocation::Error;
            result.output = QStringLiteral("velmora: \"%1\" is a link; Velmora opens only its own "
                                           "documentation\n")
                                .arg(text);
            return result;
        }
    }
    return result;
}

} // namespace tarn::cli
