// Velmora: the dialog that asks for the text to find in the page shown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Ui {
class SearchDialog;
}

// The text to find and three options. The dialog only lays out its widgets
// and wires OK and Cancel; the search reads the members after exec().
class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SearchDialog(QWidget *parent = nullptr, const char *name = nullptr, bool modal = false,
                          Qt::WindowFlags f = {});
    ~SearchDialog() override;

    QPushButton *buttonOk = nullptr;
    QPushButton *buttonCancel = nullptr;
    QGroupBox *buttonGroup1 = nullptr;
    QCheckBox *checkCaseSensitive = nullptr;
    QCheckBox *checkWholeWords = nullptr;
    QCheckBox *checkFindBackwards = nullptr;
    QLineEdit *lineSearch = nullptr;
    QLabel *textLabel1 = nullptr;

protected:
    void changeEvent(QEvent *event) override;

protected Q_SLOTS:
    // Sets every visible text and the accelerators.
    virtual void languageChange();

private:
    std::unique_ptr<Ui::SearchDialog> ui;
};
