// Velmora: every control of the window has a name a screen reader can say.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "searchdialog.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using tarn::Shell;

namespace {

// What a reader acts on: buttons, fields, lists and tabs.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
    case QAccessible::PageTab:
    case QAccessible::PageTabList:
    case QAccessible::Document:
        return true;
    default:
        return false;
    }
}

QString describe(QAccessibleInterface *iface)
{
    const QObject *object = iface->object();
    return QStringLiteral("%1 (role %2, object %3)")
        .arg(object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("-"))
        .arg(int(iface->role()))
        .arg(object ? object->objectName() : QString());
}

// Every control under the widget, each widget's own interface and the
// children those have (the tabs of a tab bar are no widgets), with the
// ones that have no name.
void collect(QWidget *root, QStringList *unnamed, int *controls)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : std::as_const(widgets)) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        if (!iface || iface->state().invisible)
            continue;
        QList<QAccessibleInterface *> todo{iface};
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface *child = iface->child(i);
            if (child && !child->object())
                todo.append(child);
        }
        for (QAccessibleInterface *each : std::as_const(todo)) {
            if (!isControl(each->role()) || each->state().invisible)
                continue;
            ++*controls;
            if (each->text(QAccessible::Name).trimmed().isEmpty())
                unnamed->append(describe(each));
        }
    }
}

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear(); }

    // Walks the whole window on each of its tabs, so that a control added
    // without a name fails here.
    void everyControlHasAName()
    {
        Shell shell;
        // Wide enough for every toolbar button to show.
        shell.resize(1280, 900);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        // The layout timer gives the toolbar its frame's width.
        QTest::qWait(250);
        // The page view reads as static text, like a label: asked by name.
        QAccessibleInterface *page = QAccessible::queryAccessibleInterface(shell.pageView());
        QVERIFY(page);
        QCOMPARE(page->text(QAccessible::Name), QStringLiteral("Page"));
        QStringList unnamed;
        int controls = 0;
        for (int tab = 0; tab < shell.form()->leftTabs->count(); ++tab) {
            shell.form()->leftTabs->setCurrentIndex(tab);
            collect(&shell, &unnamed, &controls);
        }
        // Clear buttons show once there is text to clear.
        for (QLineEdit *field : shell.findChildren<QLineEdit *>())
            field->setText(QStringLiteral("QString"));
        collect(&shell, &unnamed, &controls);
        unnamed.removeDuplicates();
        QVERIFY2(controls > 20, qPrintable(QString::number(controls)));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("\n"))));

        // With two tabs the tab bar shows, its tabs and close buttons too.
        shell.openInNewTab(QStringLiteral("qobject.html"));
        QVERIFY(shell.form()->pageTabs->tabBar()->isVisible());
        collect(&shell, &unnamed, &controls);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("\n"))));

        // A page view made later (a tab's) says what it is by itself.
        auto *view = new PageBrowser(shell.form());
        view->show();
        collect(&shell, &unnamed, &controls);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("\n"))));

        // And the walk does find one without a name.
        auto *stray = new QToolButton(shell.form());
        stray->show();
        collect(&shell, &unnamed, &controls);
        QCOMPARE(unnamed.size(), 1);
    }

    // The find dialog too.
    void findDialogControlsHaveNames()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QStringList unnamed;
        int controls = 0;
        QTimer::singleShot(0, this, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                collect(dialog, &unnamed, &controls);
                dialog->close();
            }
        });
        shell.search();
        QVERIFY2(controls > 3, qPrintable(QString::number(controls)));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("\n"))));
    }

    // Where the visible text says too little, a description says the rest.
    void terseControlsAreDescribed_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::newRow("Index field") << QStringLiteral("indexLineEdit");
        QTest::newRow("Font button") << QStringLiteral("fontButton");
        QTest::newRow("search field's clear button") << QStringLiteral("searchFieldClear");
    }

    void terseControlsAreDescribed()
    {
        QFETCH(QString, objectName);
        Shell shell;
        for (QLineEdit *field : shell.findChildren<QLineEdit *>())
            field->setText(QStringLiteral("QString"));
        auto *widget = shell.findChild<QWidget *>(objectName);
        QVERIFY2(widget, qPrintable(objectName));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(iface);
        QVERIFY(!iface->text(QAccessible::Name).isEmpty());
        QVERIFY(!iface->text(QAccessible::Description).isEmpty());
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
