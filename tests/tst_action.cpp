// Velmora: tests of the action factory and registry.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "action.h"
#include "shellinstance.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

class Receiver : public QObject
{
    Q_OBJECT
public:
    int plain = 0;
    QList<bool> toggles;
public Q_SLOTS:
    void backward() { ++plain; }
    void setBoolean(bool on) { toggles.append(on); }
    void booleanOperation() { ++plain; }
};

class tst_Action : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        window = new QWidget;
        tarn::setShellInstance(window);
    }
    void cleanup()
    {
        delete window;
        tarn::setShellInstance(nullptr);
    }

    void description_data()
    {
        QTest::addColumn<QString>("menuText");
        QTest::addColumn<QString>("description");
        QTest::newRow("plain") << "Hide/Show Left Panel"
                               << "Hide/Show Left Panel";
        QTest::newRow("mnemonic") << "&Back"
                                  << "Back";
        QTest::newRow("ellipsis") << "&Print..."
                                  << "Print";
        QTest::newRow("double ampersand") << "Fish && Chips."
                                          << "Fish  Chips";
    }
    void description()
    {
        QFETCH(QString, menuText);
        QFETCH(QString, description);
        QAction *action = tarn::Action::create(menuText, "Test/Description", 0, nullptr, nullptr);
        QCOMPARE(action->iconText(), description);
        QCOMPARE(action->text(), menuText);
        QCOMPARE(action->parent(), window);
    }

    void slotKindDecidesToggle()
    {
        Receiver receiver;
        QAction *command = tarn::Action::create(QStringLiteral("Back"), "Test/Back",
                                                (Qt::ALT | Qt::Key_Left).toCombined(), &receiver,
                                                SLOT(backward()));
        QVERIFY(!command->isCheckable());
        QCOMPARE(command->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Left));
        command->trigger();
        QCOMPARE(receiver.plain, 1);

        QAction *toggle = tarn::Action::create(QStringLiteral("Toggle"), "Test/Toggle", 0,
                                               &receiver, SLOT(setBoolean(bool)));
        QVERIFY(toggle->isCheckable());
        QVERIFY(toggle->shortcut().isEmpty());
        toggle->trigger();
        toggle->trigger();
        QCOMPARE(receiver.toggles, (QList<bool>{true, false}));

        // "bool" anywhere in the signature counts, even inside a slot's name.
        QAction *named = tarn::Action::create(QStringLiteral("Named"), "Test/Named", 0, &receiver,
                                              SLOT(booleanOperation()));
        QVERIFY(named->isCheckable());
        named->trigger();
        QCOMPARE(receiver.plain, 2);
    }

    void registryAnswersLastAndIsCaseSensitive()
    {
        QAction *first =
            tarn::Action::create(QStringLiteral("One"), "Test/Same", 0, nullptr, nullptr);
        QAction *second =
            tarn::Action::create(QStringLiteral("Two"), "Test/Same", 0, nullptr, nullptr);
        QCOMPARE(tarn::Action::find(QStringLiteral("Test/Same")), second);
        QVERIFY(first != second);
        QCOMPARE(first->parent(), window); // both stay alive
        QCOMPARE(tarn::Action::find(QStringLiteral("test/same")), nullptr);
        QCOMPARE(tarn::Action::find(QStringLiteral("Test/Never")), nullptr);

        // A deleted action is never answered.
        delete second;
        QCOMPARE(tarn::Action::find(QStringLiteral("Test/Same")), first);
    }

    void toolButtonRecordsLastToolbar()
    {
        auto *action = static_cast<tarn::Action *>(
            tarn::Action::create(QStringLiteral("Back"), "Test/Button", 0, nullptr, nullptr));
        QMenu menu(window);
        action->addTo(&menu);
        QCOMPARE(action->toolButton(), nullptr);
        action->showTextLabel(); // nothing to do, nothing breaks

        QToolBar first(window);
        QToolBar second(window);
        action->addTo(&first);
        action->addTo(&second);
        auto *button = qobject_cast<QToolButton *>(action->toolButton());
        QVERIFY(button);
        QCOMPARE(button, second.widgetForAction(action));
        QCOMPARE(button->toolButtonStyle(), second.toolButtonStyle());
        action->showTextLabel();
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        QCOMPARE(qobject_cast<QToolButton *>(first.widgetForAction(action))->toolButtonStyle(),
                 first.toolButtonStyle());
    }

private:
    QWidget *window = nullptr;
};

QTEST_MAIN(tst_Action)
#include "tst_action.moc"
