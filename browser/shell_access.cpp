// Velmora: the names and descriptions a screen reader says for the window's controls.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"

#include <QLineEdit>
#include <QToolButton>

namespace tarn {

// Run once the window is built, over every control it has: what the forms
// cannot say (buttons that Qt or the toolbar make) is named here, so that a
// control added later is named by the same rules. tst_accessibility walks
// the window for controls without a name.
void Shell::nameControls()
{
    // A field's clear button, which QLineEdit makes and leaves unnamed.
    for (QLineEdit *field : findChildren<QLineEdit *>()) {
        const QString what =
            field->accessibleName().isEmpty() ? field->placeholderText() : field->accessibleName();
        for (QToolButton *clear : field->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly)) {
            if (!clear->accessibleName().isEmpty())
                continue;
            clear->setObjectName(field->objectName() + QLatin1String("Clear"));
            clear->setAccessibleName(tr("Clear"));
            clear->setAccessibleDescription(tr("Clears the field %1").arg(what));
        }
    }
    for (QToolButton *button : findChildren<QToolButton *>()) {
        if (!button->accessibleName().isEmpty())
            continue;
        // The arrow a toolbar shows when its buttons do not all fit.
        if (button->objectName() == QLatin1String("qt_toolbar_ext_button")) {
            button->setAccessibleName(tr("More Buttons"));
            button->setAccessibleDescription(tr("The toolbar buttons that do not fit"));
        } else if (QAction *action = button->defaultAction()) {
            // A button that shows its icon alone says its action's text.
            button->setAccessibleName(action->iconText());
        }
    }
    // The Font button opens a menu rather than a dialog.
    if (Action *font = Action::find(QStringLiteral("Shell/FontSelect"))) {
        if (QWidget *button = font->toolButton()) {
            button->setObjectName(QStringLiteral("fontButton"));
            button->setAccessibleDescription(
                tr("Opens a menu: the page font (Text Font) or the font of code (Fixed Font)"));
        }
    }
}

} // namespace tarn
