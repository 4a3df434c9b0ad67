// Velmora: the dialog that asks for the text to find in the page shown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchdialog.h"

#include "ui_searchdialog.h"

#include <QEvent>
#include <QKeySequence>

SearchDialog::SearchDialog(QWidget *parent, const char *name, bool modal, Qt::WindowFlags f)
    : QDialog(parent, f)
    , ui(std::make_unique<Ui::SearchDialog>())
{
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("SearchDialog"));
    setModal(modal);
    ui->setupUi(this);

    buttonOk = ui->buttonOk;
    buttonCancel = ui->buttonCancel;
    buttonGroup1 = ui->buttonGroup1;
    checkCaseSensitive = ui->checkCaseSensitive;
    checkWholeWords = ui->checkWholeWords;
    checkFindBackwards = ui->checkFindBackwards;
    lineSearch = ui->lineSearch;
    textLabel1 = ui->textLabel1;

    languageChange();
    resize(QSize(252, 176).expandedTo(minimumSizeHint()));

    connect(buttonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

SearchDialog::~SearchDialog() = default;

void SearchDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        languageChange();
    QDialog::changeEvent(event);
}

void SearchDialog::languageChange()
{
    ui->retranslateUi(this);
    // The underlined letters of OK and Cancel are for show only: Alt+O and
    // Alt+C must not close the dialog while the user types. A button's text
    // sets its mnemonic, so the shortcut is cleared after the text.
    buttonOk->setShortcut(QKeySequence());
    buttonCancel->setShortcut(QKeySequence());
}
