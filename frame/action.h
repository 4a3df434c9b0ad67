// Velmora: named actions and the registry that finds them again.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QPointer>

#include <memory>

namespace tarn {

class ActionPrivate;

// A QAction that remembers the tool button a toolbar made for it, so the
// window can switch that button to text beside the icon or give it a menu.
class Action : public QAction
{
    Q_OBJECT

public:
    Action(const QString &text, const QString &menuText, const QKeySequence &accel, QObject *parent,
           const char *name, bool toggle);
    ~Action() override;

    // Puts the action into a toolbar or a menu; only a toolbar makes a button.
    void addTo(QWidget *container);

    // Shows the recorded button's text beside its icon; nothing without one.
    void showTextLabel();
    // The button of the toolbar the action was last added to, or null.
    QWidget *toolButton() const;

    // Creates, connects and registers an action. `text` is the menu text with
    // its "&" mnemonics, `accel` a combined key code (0 for none), `slot` a
    // slot signature in SLOT() form. A slot taking a bool makes a toggle action.
    static QAction *create(const QString &text, const char *name, int accel, QObject *receiver,
                           const char *slot);
    // The action registered last under exactly that name, or null.
    static Action *find(const QString &name);

    // The description the factory derives from a menu text: no "&", no ".".
    static QString descriptionFromMenuText(const QString &menuText);

protected:
    virtual void addedTo(QWidget *actionWidget, QWidget *container);

private:
    std::unique_ptr<ActionPrivate> d;
};

} // namespace tarn
