// Velmora: names as developers give them, looked up in an index.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "lookup.h"

#include <QTest>

using namespace tarn;

namespace {

// A small index in display order: classes, then members.
const QList<QPair<QString, QString>> entries = {
    {"QDebug", "qdebug.html"},
    {"QFake", "qfake.html"},
    {"QString", "qstring.html"},
    {"QStringList", "qstringlist.html"},
    {"QWidget", "qwidget.html"},
    {"arg (QString)", "qstring.html#arg"},
    {"arg (QString)", "qstring.html#arg-1"},
    {"argument (QCommandLineParser)", "qcommandlineparser.html#argument"},
    {"Arg (QFake)", "qfake.html#Arg"},
    {"operator<< (QDebug)", "qdebug.html#operator-lt-lt"},
    {"setWindowTitle (QWidget)", "qwidget.html#windowTitle-prop"},
    {"ß (QString)", "qstring.html#sharp-s"},
};

Lookup look(const QString &name)
{
    return lookUp(
        name, entries.size(),
        [](qsizetype i) {
            return LookupEntry{entries.at(i).first, entries.at(i).second};
        },
        [](const QString &page) {
            return page == QLatin1String("qstring.html") || page == QLatin1String("index.html");
        },
        [](const QString &className) {
            for (const auto &entry : entries) {
                if (!entry.second.contains(u'#')
                    && entry.first.compare(className, Qt::CaseInsensitive) == 0)
                    return true;
            }
            return false;
        });
}

} // namespace

class tst_Lookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolution_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("target");
        QTest::newRow("class") << "QString" << int(Lookup::Entry) << "qstring.html";
        QTest::newRow("class, other case") << "qstring" << int(Lookup::Entry) << "qstring.html";
        QTest::newRow("blanks around") << "  QWidget \t" << int(Lookup::Entry) << "qwidget.html";
        QTest::newRow("entry as it reads")
            << "arg (QString)" << int(Lookup::Entry) << "qstring.html#arg";
        QTest::newRow("qualified member")
            << "QString::arg" << int(Lookup::Entry) << "qstring.html#arg";
        QTest::newRow("class and member")
            << "QString arg" << int(Lookup::Entry) << "qstring.html#arg";
        QTest::newRow("qualified, start of a member")
            << "QWidget::setWindowT" << int(Lookup::FirstMatch) << "qwidget.html#windowTitle-prop";
        QTest::newRow("operator") << "QDebug::operator<<" << int(Lookup::Entry)
                                  << "qdebug.html#operator-lt-lt";
        QTest::newRow("case first, then any case")
            << "QFake::Arg" << int(Lookup::Entry) << "qfake.html#Arg";
        QTest::newRow("page") << "qstring.html" << int(Lookup::Page) << "qstring.html";
        QTest::newRow("page with anchor")
            << "qstring.html#arg-1" << int(Lookup::Page) << "qstring.html#arg-1";
        QTest::newRow("page not in the set") << "nowhere.html" << int(Lookup::NoMatch) << "";
        QTest::newRow("first the Index shows")
            << "Title" << int(Lookup::FirstMatch) << "qwidget.html#windowTitle-prop";
        QTest::newRow("no match") << "xyzzyqqq" << int(Lookup::NoMatch) << "";
        QTest::newRow("empty") << "" << int(Lookup::Nothing) << "";
        QTest::newRow("blank") << "   " << int(Lookup::Nothing) << "";
        QTest::newRow("10,000 characters") << QString(10000, u'x') << int(Lookup::NoMatch) << "";
        QTest::newRow("beyond ASCII")
            << "QString::ß" << int(Lookup::Entry) << "qstring.html#sharp-s";
        QTest::newRow("not a class") << "Nothing::arg" << int(Lookup::NoMatch) << "";
    }
    void resolution()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, target);
        const Lookup found = look(name);
        QCOMPARE(int(found.kind), kind);
        QCOMPARE(found.target, target);
    }

    void qualifiedNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("qualified");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("member");
        QTest::newRow("Class::member") << "QString::arg" << true << "QString"
                                       << "arg";
        QTest::newRow("nested class") << "QAccessible::State::x" << true << "QAccessible::State"
                                      << "x";
        QTest::newRow("Class member") << "QString arg" << true << "QString"
                                      << "arg";
        QTest::newRow("destructor") << "QString::~QString" << true << "QString"
                                    << "~QString";
        QTest::newRow("every member") << "QString::" << true << "QString"
                                      << "";
        QTest::newRow("one word") << "QString" << false << ""
                                  << "";
        QTest::newRow("entry as it reads") << "arg (QString)" << false << ""
                                           << "";
        QTest::newRow("three words") << "a b c" << false << ""
                                     << "";
        QTest::newRow("a sentence") << "QString arg(int)" << false << ""
                                    << "";
        QTest::newRow("leading colons") << "::arg" << false << ""
                                        << "";
    }
    void qualifiedNames()
    {
        QFETCH(QString, text);
        QFETCH(bool, qualified);
        const std::optional<QualifiedName> name = qualifiedName(text);
        QCOMPARE(name.has_value(), qualified);
        if (name) {
            QTEST(name->className, "className");
            QTEST(name->member, "member");
        }
    }
};

QTEST_GUILESS_MAIN(tst_Lookup)
#include "tst_lookup.moc"
