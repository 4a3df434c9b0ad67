// Velmora: the command line and the requests a second start sends, as data.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "commandline.h"
#include "request.h"

#include <QTest>

using namespace tarn::cli;

class tst_CommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("newWindow");
        QTest::addColumn<QStringList>("qt");
        const QStringList none;
        QTest::newRow("nothing") << QStringList{"velmora"} << int(Invocation::Run) << ""
                                 << "" << false << QStringList{"velmora"};
        QTest::newRow("a name") << QStringList{"velmora", "QString::arg"} << int(Invocation::Run)
                                << "QString::arg"
                                << "" << false << QStringList{"velmora"};
        QTest::newRow("words make one name")
            << QStringList{"velmora", "QString", "arg"} << int(Invocation::Run) << "QString arg"
            << "" << false << QStringList{"velmora"};
        QTest::newRow("Qt's options go to Qt")
            << QStringList{"velmora", "-platform", "offscreen", "-style=fusion", "QWidget"}
            << int(Invocation::Run) << "QWidget"
            << "" << false << QStringList{"velmora", "-platform", "offscreen", "-style=fusion"};
        QTest::newRow("search, words unquoted")
            << QStringList{"velmora", "--search", "implicitly", "shared"} << int(Invocation::Run)
            << ""
            << "implicitly shared" << false << QStringList{"velmora"};
        QTest::newRow("new window") << QStringList{"velmora", "--new-window", "QObject"}
                                    << int(Invocation::Run) << "QObject"
                                    << "" << true << QStringList{"velmora"};
        QTest::newRow("after --, a name that looks like an option")
            << QStringList{"velmora", "--", "--help"} << int(Invocation::Run) << "--help"
            << "" << false << QStringList{"velmora"};
        QTest::newRow("help") << QStringList{"velmora", "--help"} << int(Invocation::Help) << ""
                              << "" << false << QStringList{"velmora"};
        QTest::newRow("-h") << QStringList{"velmora", "-h"} << int(Invocation::Help) << ""
                            << "" << false << QStringList{"velmora"};
        QTest::newRow("version") << QStringList{"velmora", "--version"} << int(Invocation::Version)
                                 << ""
                                 << "" << false << QStringList{"velmora"};
        QTest::newRow("unknown option")
            << QStringList{"velmora", "--frobnicate"} << int(Invocation::Error) << ""
            << "" << false << QStringList{"velmora"};
        QTest::newRow("search without words")
            << QStringList{"velmora", "--search"} << int(Invocation::Error) << ""
            << "" << false << QStringList{"velmora"};
        QTest::newRow("a web link")
            << QStringList{"velmora", "https://example.com/"} << int(Invocation::Error) << ""
            << "" << false << QStringList{"velmora"};
        QTest::newRow("a file link")
            << QStringList{"velmora", "file:/etc/passwd"} << int(Invocation::Error) << ""
            << "" << false << QStringList{"velmora"};
        QTest::newRow("a link to search")
            << QStringList{"velmora", "--search", "mailto:x@y"} << int(Invocation::Error) << ""
            << "" << false << QStringList{"velmora"};
        QTest::newRow("Qt::AlignLeft is no link")
            << QStringList{"velmora", "Qt::AlignLeft"} << int(Invocation::Run) << "Qt::AlignLeft"
            << "" << false << QStringList{"velmora"};
    }
    void parse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        const Invocation invocation = parseCommandLine(arguments);
        QCOMPARE(int(invocation.action), action);
        if (action == Invocation::Run) {
            QTEST(invocation.name, "name");
            QTEST(invocation.search, "search");
            QTEST(invocation.newWindow, "newWindow");
            QTEST(invocation.qtArguments, "qt");
        } else {
            QVERIFY(!invocation.output.isEmpty());
        }
        // A mistaken option gets the usage; a link gets told why not.
        if (action == Invocation::Error)
            QVERIFY2(invocation.output.contains(QLatin1String("Usage: velmora"))
                         != invocation.output.contains(QLatin1String("is a link")),
                     qPrintable(invocation.output));
    }

    // What counts as a link: a scheme after white space, and a colon that
    // does not start "::".
    void links_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("link");
        QTest::newRow("web") << "https://example.com/" << true;
        QTest::newRow("after white space") << " \t\nfile:x" << true;
        QTest::newRow("after Unicode white space")
            << QString::fromUtf8("\xc2\xa0\xe2\x80\x83\xe2\x80\xa8http:x") << true;
        QTest::newRow("scheme of every kind of character") << "a1+.-z:" << true;
        QTest::newRow("colon at the end") << "x:" << true;
        QTest::newRow("scope") << "Qt::AlignLeft" << false;
        QTest::newRow("scheme starting with a digit") << "1http://x" << false;
        QTest::newRow("no scheme") << ":x" << false;
        QTest::newRow("other character first") << "_x:y" << false;
        QTest::newRow("letter beyond ASCII") << QString::fromUtf8("\xc3\xa9t\xc3\xa9:x") << false;
        QTest::newRow("space inside") << "a b:c" << false;
        QTest::newRow("no colon") << "QString" << false;
        QTest::newRow("empty") << "" << false;
    }
    void links()
    {
        QFETCH(QString, text);
        QTEST(isLink(text), "link");
    }

    // The search shown with no words (the desktop's "Search the reference"),
    // with words, or not at all; the bus's own mode stands alone.
    void searchModes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("openSearch");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("searchProvider");
        QTest::newRow("--search= opens the empty search")
            << QStringList{"velmora", "--search="} << int(Invocation::Run) << true << "" << false;
        QTest::newRow("--search with an empty word") << QStringList{"velmora", "--search", ""}
                                                     << int(Invocation::Run) << true << "" << false;
        QTest::newRow("--search with words")
            << QStringList{"velmora", "--search=-word", "other"} << int(Invocation::Run) << true
            << "-word other" << false;
        QTest::newRow("a name opens no search")
            << QStringList{"velmora", "QString"} << int(Invocation::Run) << false << "" << false;
        QTest::newRow("search provider") << QStringList{"velmora", "--search-provider"}
                                         << int(Invocation::Run) << false << "" << true;
        QTest::newRow("search provider with a name")
            << QStringList{"velmora", "--search-provider", "QString"} << int(Invocation::Error)
            << false << "" << true;
        QTest::newRow("search provider with a search")
            << QStringList{"velmora", "--search-provider", "--search="} << int(Invocation::Error)
            << false << "" << true;
        QTest::newRow("search provider in a new window")
            << QStringList{"velmora", "--new-window", "--search-provider"} << int(Invocation::Error)
            << false << "" << true;
        QTest::newRow("search provider in a new tab")
            << QStringList{"velmora", "--new-tab", "--search-provider"} << int(Invocation::Error)
            << false << "" << true;
    }
    void searchModes()
    {
        QFETCH(QStringList, arguments);
        const Invocation invocation = parseCommandLine(arguments);
        QTEST(int(invocation.action), "action");
        if (invocation.action != Invocation::Run) {
            QVERIFY(invocation.output.contains(QLatin1String("Usage: velmora")));
            return;
        }
        QTEST(invocation.openSearch, "openSearch");
        QTEST(invocation.search, "search");
        QTEST(invocation.searchProvider, "searchProvider");
    }

    // An empty search travels as a "search" line without words; blank
    // words are none, and words imply the search.
    void emptySearchRequest_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("openSearch");
        QTest::addColumn<bool>("openedSearch");
        QTest::newRow("empty, asked") << "" << true << true;
        QTest::newRow("empty, not asked") << "" << false << false;
        QTest::newRow("blank, not asked") << "  \t " << false << false;
        QTest::newRow("blank, asked") << " " << true << true;
        QTest::newRow("words imply it") << "queued" << false << true;
    }
    void emptySearchRequest()
    {
        QFETCH(QString, search);
        QFETCH(bool, openSearch);
        const QByteArray bytes = encodeRequest({QString(), search, openSearch});
        QCOMPARE(bytes.count("search"), openSearch || !search.trimmed().isEmpty() ? 1 : 0);
        QString problem;
        const std::optional<Request> back = decodeRequest(bytes, &problem);
        QVERIFY2(back, qPrintable(problem));
        QTEST(back->openSearch, "openedSearch");
        QCOMPARE(back->search, search.simplified());
        QVERIFY(back->name.isEmpty());
    }

    void requestRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("search");
        QTest::newRow("name") << "QString::arg"
                              << "";
        QTest::newRow("search") << ""
                                << "implicitly shared";
        QTest::newRow("both") << "arg (QString)"
                              << "\"queued connection\"";
        QTest::newRow("beyond ASCII") << QStringLiteral("Stra\u00dfe \u2192 QChar") << "";
        QTest::newRow("nothing") << ""
                                 << "";
    }
    void requestRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, search);
        const QByteArray bytes = encodeRequest({name, search});
        QVERIFY(isRequestComplete(bytes));
        QString problem;
        const std::optional<Request> back = decodeRequest(bytes, &problem);
        QVERIFY2(back, qPrintable(problem));
        QCOMPARE(back->name, name);
        QCOMPARE(back->search, search);
        QVERIFY(!back->newTab);
    }

    // The new tab and the empty search are told apart from each other and
    // from the name after a trip through the socket's format.
    void requestKeepsEveryField()
    {
        const QByteArray bytes =
            encodeRequest({QStringLiteral("QTimer"), QString(), /*openSearch=*/true,
                           /*newTab=*/true});
        QString problem;
        const std::optional<Request> back = decodeRequest(bytes, &problem);
        QVERIFY2(back, qPrintable(problem));
        QCOMPARE(back->name, QStringLiteral("QTimer"));
        QVERIFY(back->search.isEmpty());
        QVERIFY(back->openSearch);
        QVERIFY(back->newTab);
    }

    // What a second start, or anything else that reaches the socket, may
    // not get through.
    void requestRefusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray header = QByteArray(requestHeader) + '\n';
        QTest::newRow("too long") << header + "name " + QByteArray(maxRequestBytes, 'x') + "\n\n";
        QTest::newRow("not UTF-8") << header + "name Q\xff\xfeString\n\n";
        QTest::newRow("a NUL") << header + QByteArray("name Q\0S\n\n", 11);
        QTest::newRow("another version") << QByteArray("velmora-request 2\nname x\n\n");
        QTest::newRow("no header") << QByteArray("name x\n\n");
        QTest::newRow("unknown field") << header + "file /etc/passwd\n\n";
        QTest::newRow("a field twice") << header + "name a\nname b\n\n";
        QTest::newRow("a link") << header + "name https://example.com/\n\n";
        QTest::newRow("a file link") << header + "name file:///etc/passwd\n\n";
        QTest::newRow("bytes after the end") << header + "name x\n\nmore";
        QTest::newRow("no end") << header + "name x\n";
        QTest::newRow("empty") << QByteArray();
    }
    void requestRefusals()
    {
        QFETCH(QByteArray, bytes);
        QString problem;
        QVERIFY(!decodeRequest(bytes, &problem));
        QVERIFY(!problem.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
