// Velmora: the manual page velmora(1) in step with what the program says of itself.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString page = QStringLiteral(VELMORA_SOURCE_DIR "/packaging/velmora.1");

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &arguments,
        const QMap<QString, QString> &environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(30000)) {
        result.err = process.errorString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// The page as a reader sees it in a terminal 80 columns wide.
QString rendered()
{
    return run(QStringLiteral("man"), {QStringLiteral("-l"), page},
               {{QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")},
                {QStringLiteral("MANWIDTH"), QStringLiteral("80")},
                {QStringLiteral("MAN_KEEP_FORMATTING"), QString()}})
        .out;
}

// Each option of a "-h, --help" or "--search WORDS" tag, with the name of
// its value ("WORDS", angle brackets dropped) or an empty one.
void addOptions(QStringView tag, QMap<QString, QString> *options)
{
    static const QRegularExpression option(
        QStringLiteral("(--?[A-Za-z][A-Za-z-]*|--)(?:[ =]<?([A-Z]+)>?)?"));
    for (const QRegularExpressionMatch &match : option.globalMatch(tag))
        options->insert(match.captured(1), match.captured(2));
}

// The options --help lists: the items under "Options:" up to the next
// heading, each a tag, two blanks or more, and the text.
QMap<QString, QString> helpOptions(const QString &help)
{
    QMap<QString, QString> options;
    bool inOptions = false;
    for (const QString &line : help.split(u'\n')) {
        if (!line.startsWith(u' ')) {
            inOptions = line == QLatin1String("Options:");
            continue;
        }
        // Tags are set in by two columns, the text's own lines further.
        if (inOptions && line.startsWith(QLatin1String("  -"))) {
            const QString item = line.trimmed();
            addOptions(QStringView(item).left(item.indexOf(QLatin1String("  "))), &options);
        }
    }
    return options;
}

// The options of the page's OPTIONS section: the tags, set in by seven
// columns, of its items.
QMap<QString, QString> pageOptions(const QString &text)
{
    QMap<QString, QString> options;
    bool inOptions = false;
    for (const QString &line : text.split(u'\n')) {
        if (!line.isEmpty() && !line.startsWith(u' ')) {
            inOptions = line == QLatin1String("OPTIONS");
            continue;
        }
        if (inOptions && line.startsWith(QLatin1String("       -"))) {
            const QString tag = line.trimmed();
            const qsizetype text = tag.indexOf(QLatin1String("  "));
            addOptions(QStringView(tag).left(text < 0 ? tag.size() : text), &options);
        }
    }
    return options;
}

} // namespace

class tst_ManPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every option --help lists has its item under OPTIONS, with the same
    // value, and the page lists none the program does not know.
    void optionsMatchHelp()
    {
        const Run help = run(QStringLiteral(VELMORA_EXECUTABLE), {QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        const QMap<QString, QString> listed = helpOptions(help.out);
        QVERIFY2(listed.contains(QStringLiteral("--help")) && listed.size() >= 4,
                 qPrintable(help.out));
        const QString text = rendered();
        QVERIFY2(text.contains(QLatin1String("\nOPTIONS\n")), qPrintable(text));
        QMap<QString, QString> documented = pageOptions(text);
        // "--" ends the options of any program; --help leaves it out.
        documented.remove(QStringLiteral("--"));
        for (auto it = listed.begin(); it != listed.end(); ++it) {
            QVERIFY2(documented.contains(it.key()),
                     qPrintable(it.key() + QLatin1String(" is not in the manual page")));
            QCOMPARE(documented.value(it.key()), it.value());
        }
        for (auto it = documented.begin(); it != documented.end(); ++it)
            QVERIFY2(listed.contains(it.key()),
                     qPrintable(it.key() + QLatin1String(" is not an option of the program")));
    }

    // The page's footer names the version the program prints.
    void versionMatchesProgram()
    {
        const Run version = run(QStringLiteral(VELMORA_EXECUTABLE), {QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        const QString printed = version.out.trimmed();
        QVERIFY(!printed.isEmpty());
        const QStringList lines = rendered().trimmed().split(u'\n');
        QVERIFY2(lines.last().contains(printed), qPrintable(lines.last() + " / " + printed));
    }

    // As Debian's package checker renders it: no warning from man or groff.
    void rendersWithoutWarnings()
    {
        const Run man =
            run(QStringLiteral("man"),
                {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                 QStringLiteral("-l"), QStringLiteral("-Tutf8"), QStringLiteral("-Z"), page},
                {{QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")},
                 {QStringLiteral("MANROFFSEQ"), QString()},
                 {QStringLiteral("MANWIDTH"), QStringLiteral("80")}});
        QCOMPARE(man.exitCode, 0);
        QVERIFY2(man.err.isEmpty(), qPrintable(man.err));
        QVERIFY(!man.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ManPage)
#include "tst_manpage.moc"
