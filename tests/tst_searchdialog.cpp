// Velmora: tests of the search dialog's layout, keys and results.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class tst_SearchDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void construct_defaults();
    void construct_keepsGivenName();
    void tab_visitsWidgetsInOrder();
    void key_closesWithResult_data();
    void key_closesWithResult();
    void exec_returnInLineEditAccepts();
    void alt_togglesOnlyTheOptions_data();
    void alt_togglesOnlyTheOptions();
    void buttons_stillClick();

private:
    // A shown and active dialog: shortcuts and Tab need an active window.
    static bool showActive(SearchDialog &dialog)
    {
        dialog.open();
        QApplication::setActiveWindow(&dialog);
        return QTest::qWaitForWindowActive(&dialog);
    }
};

void tst_SearchDialog::construct_defaults()
{
    SearchDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("SearchDialog"));
    QVERIFY(dialog.isSizeGripEnabled());
    QCOMPARE(dialog.size(), QSize(252, 176).expandedTo(dialog.minimumSizeHint()));

    QVERIFY(dialog.buttonOk->isDefault());
    QVERIFY(dialog.buttonOk->autoDefault());
    QVERIFY(dialog.buttonCancel->autoDefault());
    QVERIFY(!dialog.buttonCancel->isDefault());
    for (QCheckBox *box :
         {dialog.checkCaseSensitive, dialog.checkWholeWords, dialog.checkFindBackwards}) {
        QCOMPARE(box->parentWidget(), dialog.buttonGroup1);
        QVERIFY(!box->isChecked());
    }
    QVERIFY(dialog.buttonOk->shortcut().isEmpty());
    QVERIFY(dialog.buttonCancel->shortcut().isEmpty());

    // Top to bottom: prompt, line edit, options, then the buttons.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.textLabel1->y() < dialog.lineSearch->y());
    QVERIFY(dialog.lineSearch->y() < dialog.buttonGroup1->y());
    QVERIFY(dialog.buttonGroup1->geometry().bottom() < dialog.buttonOk->y());
    QVERIFY(dialog.buttonOk->x() < dialog.buttonCancel->x());
}

void tst_SearchDialog::construct_keepsGivenName()
{
    SearchDialog dialog(nullptr, "finder", true);
    QCOMPARE(dialog.objectName(), QStringLiteral("finder"));
    QVERIFY(dialog.isModal());
}

void tst_SearchDialog::tab_visitsWidgetsInOrder()
{
    SearchDialog dialog;
    QVERIFY(showActive(dialog));
    dialog.lineSearch->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), dialog.lineSearch);

    const QList<QWidget *> order = {dialog.buttonOk,           dialog.buttonCancel,
                                    dialog.checkCaseSensitive, dialog.checkWholeWords,
                                    dialog.checkFindBackwards, dialog.lineSearch};
    for (QWidget *expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected);
    }
}

void tst_SearchDialog::key_closesWithResult_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(QDialog::Accepted);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(QDialog::Rejected);
}

void tst_SearchDialog::key_closesWithResult()
{
    QFETCH(int, key);
    QFETCH(int, result);
    SearchDialog dialog;
    QVERIFY(showActive(dialog));
    dialog.lineSearch->setFocus();
    QTest::keyClicks(dialog.lineSearch, QStringLiteral("QWidget"));
    dialog.setResult(-1);
    QTest::keyClick(dialog.lineSearch, Qt::Key(key));
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
    QCOMPARE(dialog.lineSearch->text(), QStringLiteral("QWidget"));
}

void tst_SearchDialog::exec_returnInLineEditAccepts()
{
    // How the search runs it: modally, answered from a timer. A second
    // timer rejects the dialog should the first fail, so nothing hangs.
    SearchDialog dialog;
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::keyClicks(dialog.lineSearch, QStringLiteral("paint"));
        QTest::keyClick(dialog.lineSearch, Qt::Key_Return);
    });
    QTimer::singleShot(5000, &dialog, &QDialog::reject);
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.lineSearch->text(), QStringLiteral("paint"));
}

void tst_SearchDialog::alt_togglesOnlyTheOptions_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("toggled"); // empty: nothing may happen
    QTest::newRow("Alt+A") << int(Qt::Key_A) << QStringLiteral("checkCaseSensitive");
    QTest::newRow("Alt+W") << int(Qt::Key_W) << QStringLiteral("checkWholeWords");
    QTest::newRow("Alt+B") << int(Qt::Key_B) << QStringLiteral("checkFindBackwards");
    QTest::newRow("Alt+O") << int(Qt::Key_O) << QString();
    QTest::newRow("Alt+C") << int(Qt::Key_C) << QString();
}

void tst_SearchDialog::alt_togglesOnlyTheOptions()
{
    QFETCH(int, key);
    QFETCH(QString, toggled);
    SearchDialog dialog;
    QVERIFY(showActive(dialog));
    dialog.lineSearch->setFocus();
    dialog.setResult(-1);

    const QList<QCheckBox *> boxes = {dialog.checkCaseSensitive, dialog.checkWholeWords,
                                      dialog.checkFindBackwards};
    for (int round = 1; round <= 2; ++round) {
        QTest::keyClick(dialog.lineSearch, Qt::Key(key), Qt::AltModifier);
        // A button's shortcut clicks it with a short animation, not at once.
        QTest::qWait(250);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), -1);
        for (QCheckBox *box : boxes) {
            // Pressed twice, the chosen option is back off again.
            const bool expected = box->objectName() == toggled && round == 1;
            QVERIFY2(box->isChecked() == expected, qPrintable(box->objectName()));
        }
    }
}

void tst_SearchDialog::buttons_stillClick()
{
    SearchDialog dialog;
    QVERIFY(showActive(dialog));
    QTest::mouseClick(dialog.buttonCancel, Qt::LeftButton);
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    QVERIFY(showActive(dialog));
    QTest::mouseClick(dialog.buttonOk, Qt::LeftButton);
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

QTEST_MAIN(tst_SearchDialog)
#include "tst_searchdialog.moc"
