// Velmora: tests of page-name splitting and the list-file parsers.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listformat.h"
#include "pagename.h"

#include <QTest>

using namespace tarn;

class tst_ListFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitPageName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("page") << "qwidget.html"
                              << "qwidget.html"
                              << "";
        QTest::newRow("anchor") << "qbitmap.html#QBitmap-2"
                                << "qbitmap.html"
                                << "QBitmap-2";
        QTest::newRow("two anchors") << "a.html#b#c"
                                     << "a.html"
                                     << "b";
        QTest::newRow("empty pieces") << "##a.html###b#"
                                      << "a.html"
                                      << "b";
        QTest::newRow("anchor only") << "#top"
                                     << "top"
                                     << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("trailing hash") << "a.html#"
                                       << "a.html"
                                       << "";
    }
    void splitPageName()
    {
        QFETCH(QString, name);
        QFETCH(QString, page);
        QFETCH(QString, anchor);
        const PageName parts = tarn::splitPageName(name);
        QCOMPARE(parts.page, page);
        QCOMPARE(parts.anchor, anchor);
    }

    void contentsLine()
    {
        const ContentsClass empty = parseContentsLine(u"C===QArray===qarray.html@");
        QCOMPARE(empty.kind, QStringLiteral("C"));
        QCOMPARE(empty.name, QStringLiteral("QArray"));
        QCOMPARE(empty.page, QStringLiteral("qarray.html"));
        QVERIFY(empty.members.isEmpty());
        QVERIFY(parseMemberList(empty.members).isEmpty());

        const ContentsClass file = parseContentsLine(
            u"O===QFile===qfile.html@+f===QFile()===qfile.html#QFile===0;;"
            u"===readAll===qfile.html#readAll===0;;+F===exists(const QString &fileName)==="
            u"qfile.html#exists===1;");
        QCOMPARE(file.kind, QStringLiteral("O"));
        const QList<ContentsMember> members = parseMemberList(file.members);
        QCOMPARE(members.size(), 3);
        QCOMPARE(members.at(0).kind, QStringLiteral("+f"));
        QCOMPARE(members.at(0).name, QStringLiteral("QFile()"));
        // An empty kind keeps its place.
        QCOMPARE(members.at(1).kind, QString());
        QCOMPARE(members.at(1).name, QStringLiteral("readAll"));
        QCOMPARE(members.at(1).target, QStringLiteral("qfile.html#readAll"));
        // The closing ";" never reaches a name or a target.
        QCOMPARE(members.at(2).name, QStringLiteral("exists(const QString &fileName)"));
        QCOMPARE(members.at(2).target, QStringLiteral("qfile.html#exists"));

        // A second "@" ends the member list; a head without "@" has none.
        QCOMPARE(parseContentsLine(u"W===QX===qx.html@+f===a()===qx.html#a===0;@junk").members,
                 QStringLiteral("+f===a()===qx.html#a===0;"));
        const ContentsClass bare = parseContentsLine(u"W===QY===qy.html");
        QCOMPARE(bare.page, QStringLiteral("qy.html"));
        QVERIFY(bare.members.isEmpty());
        // Missing fields read as empty, never out of range.
        const ContentsClass shortLine = parseContentsLine(u"C");
        QCOMPARE(shortLine.kind, QStringLiteral("C"));
        QVERIFY(shortLine.name.isEmpty() && shortLine.page.isEmpty());
        QVERIFY(parseMemberList(u";;;;;").isEmpty());
    }

    void indexLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("key");
        QTest::newRow("class") << "QAccel===qaccel.html===O"
                               << "QAccel"
                               << "qaccel.html"
                               << "O"
                               << "1QAccel";
        QTest::newRow("member") << "accel (QCheckBox)===qcheckbox.html#accel===+f"
                                << "accel (QCheckBox)"
                                << "qcheckbox.html#accel"
                                << "+f"
                                << "2accel (QCheckBox)";
        QTest::newRow("empty kind") << "accel (QCheckBox)===qcheckbox.html#accel==="
                                    << "accel (QCheckBox)"
                                    << "qcheckbox.html#accel"
                                    << ""
                                    << "2accel (QCheckBox)";
        QTest::newRow("no kind field") << "x===x.html"
                                       << "x"
                                       << "x.html"
                                       << ""
                                       << "1x";
        QTest::newRow("empty line") << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "1";
    }
    void indexLine()
    {
        QFETCH(QString, line);
        const IndexEntry entry = parseIndexLine(line);
        QTEST(entry.name, "name");
        QTEST(entry.target, "target");
        QTEST(entry.kind, "kind");
        QTEST(indexSortKey(entry), "key");
    }

    void lineEnds()
    {
        const QList<QStringView> lines = splitListLines(u"a\r\nb\nc\r\n\r\nd");
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0).toString(), QStringLiteral("a"));
        QCOMPARE(lines.at(1).toString(), QStringLiteral("b"));
        QCOMPARE(lines.at(2).toString(), QStringLiteral("c"));
        QCOMPARE(lines.at(3).toString(), QStringLiteral(""));
        QCOMPARE(lines.at(4).toString(), QStringLiteral("d"));
        QVERIFY(splitListLines(u"").isEmpty());
        QCOMPARE(splitListLines(u"only\r\n").size(), 1);
    }

    void kindIcons()
    {
        QCOMPARE(kindIconName(u"C"), QStringLiteral("contentsClass"));
        QCOMPARE(kindIconName(u"W"), QStringLiteral("contentsClassQWidget"));
        QCOMPARE(kindIconName(u"+R"), QStringLiteral("contentsRelatedMethod"));
        QCOMPARE(kindIconName(u"-S"), QStringLiteral("contentsProtectedSlot"));
        QVERIFY(kindIconName(u"").isEmpty());
        QVERIFY(kindIconName(u"+x").isEmpty());
        QVERIFY(kindIconName(u"c").isEmpty());
    }

    // What the import writes, the window reads back field for field.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "setEnabled(bool)";
        QTest::newRow("operator") << "operator<<(QDataStream &, const QString &)";
        QTest::newRow("single =") << "operator=(const QString &)";
        QTest::newRow("== inside") << "operator==(const QChar &, const QChar &)";
        QTest::newRow("semicolon") << "a;b";
        QTest::newRow("beyond Latin-1") << QStringLiteral("für→x");
        QTest::newRow("empty") << "";
    }
    void roundTrip()
    {
        QFETCH(QString, name);
        const QString page = QStringLiteral("qx.html");
        const QList<ContentsMember> members = {
            {QStringLiteral("+f"), name, page + QStringLiteral("#a"), false},
            {QString(), QStringLiteral("plain"), page + QStringLiteral("#b"), true},
            {QStringLiteral("+s"), name, page + QStringLiteral("#c"), true},
        };
        const bool safe = isSafeListField(name);
        const QString line =
            formatContentsLine(QStringLiteral("W"), QStringLiteral("QX"), page, members);
        const QString text = line + QLatin1String(listLineEnd) + line;
        const QList<QStringView> lines = splitListLines(text);
        QCOMPARE(lines.size(), 2);
        const ContentsClass read = parseContentsLine(lines.at(0));
        QCOMPARE(read.kind, QStringLiteral("W"));
        QCOMPARE(read.name, QStringLiteral("QX"));
        QCOMPARE(read.page, page);
        const QList<ContentsMember> back = parseMemberList(read.members);
        if (safe) {
            QCOMPARE(back.size(), members.size());
            for (qsizetype i = 0; i < members.size(); ++i) {
                QCOMPARE(back.at(i).kind, members.at(i).kind);
                QCOMPARE(back.at(i).name, members.at(i).name);
                QCOMPARE(back.at(i).target, members.at(i).target);
                QCOMPARE(back.at(i).overload, members.at(i).overload);
            }
        }

        const IndexEntry entry = parseIndexLine(formatIndexLine(
            name + QStringLiteral(" (QX)"), page + QStringLiteral("#a"), QStringLiteral("+f")));
        if (safe) {
            QCOMPARE(entry.name, name + QStringLiteral(" (QX)"));
            QCOMPARE(entry.target, page + QStringLiteral("#a"));
            QCOMPARE(entry.kind, QStringLiteral("+f"));
        }
        // The lookup's lists; fields a later writer adds at a line's end
        // are passed over.
        const EntryDetail detail{page + QStringLiteral("#a"), QStringLiteral("function"), name, 7,
                                 QString()};
        const EntryDetail detailBack = parseEntryDetailLine(
            QString(formatEntryDetailLine(detail) + QStringLiteral("===6.2===x")));
        const NameEntry apiName{name, QStringLiteral("Qt"), page + QStringLiteral("#a"),
                                QStringLiteral("enumvalue")};
        const NameEntry nameBack =
            parseNameLine(QString(formatNameLine(apiName) + QStringLiteral("===6.2")));
        if (safe) {
            QCOMPARE(detailBack.target, detail.target);
            QCOMPARE(detailBack.what, detail.what);
            QCOMPARE(detailBack.parameters, name);
            QCOMPARE(detailBack.place, 7);
            QCOMPARE(detailBack.bases, QString());
            QCOMPARE(nameBack.name, name);
            QCOMPARE(nameBack.scope, apiName.scope);
            QCOMPARE(nameBack.target, apiName.target);
            QCOMPARE(nameBack.what, apiName.what);
        }
        QCOMPARE(parseContentsLine(formatContentsLine(QStringLiteral("C"), QStringLiteral("QY"),
                                                      QStringLiteral("qy.html"), {}))
                     .members,
                 QString());
    }

    // A field the writer would have to refuse is one that does not read back.
    void unsafeFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("separator") << "a===b";
        QTest::newRow("member separator") << "a;;b";
        QTest::newRow("at") << "a@b";
        QTest::newRow("line end") << "a\r\nb";
        QTest::newRow("leading =") << "=a";
        QTest::newRow("trailing =") << "a=";
    }
    void unsafeFields()
    {
        QFETCH(QString, field);
        QVERIFY(!isSafeListField(field));
    }
};

QTEST_GUILESS_MAIN(tst_ListFormat)
#include "tst_listformat.moc"
