// Velmora: named actions and the registry that finds them again.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "action.h"

#include "shellinstance.h"

#include <QMenu>
#include <QMultiHash>
#include <QToolBar>
#include <QToolButton>

namespace tarn {

class ActionPrivate
{
public:
    QPointer<QWidget> toolButton;
};

namespace {

// Several actions may share a name; a lookup answers the one added last.
// The registry never owns an action: the window does, through QObject.
QMultiHash<QString, Action *> &actionRegistry()
{
    static QMultiHash<QString, Action *> registry;
    return registry;
}

} // namespace

Action::Action(const QString &text, const QString &menuText, const QKeySequence &accel,
               QObject *parent, const char *name, bool toggle)
    : QAction(menuText, parent)
    , d(std::make_unique<ActionPrivate>())
{
    setObjectName(QString::fromLatin1(name));
    setIconText(text);
    setToolTip(text);
    setShortcut(accel);
    setCheckable(toggle);
}

Action::~Action()
{
    // Drop our registry entries so a lookup never answers a dead action.
    auto &registry = actionRegistry();
    for (auto it = registry.begin(); it != registry.end();) {
        if (it.value() == this)
            it = registry.erase(it);
        else
            ++it;
    }
}

void Action::addTo(QWidget *container)
{
    if (auto *toolBar = qobject_cast<QToolBar *>(container)) {
        toolBar->addAction(this);
        addedTo(toolBar->widgetForAction(this), container);
    } else if (container) {
        container->addAction(this);
    }
}

void Action::addedTo(QWidget *actionWidget, QWidget *)
{
    if (actionWidget && actionWidget->inherits("QToolButton"))
        d->toolButton = actionWidget;
}

void Action::showTextLabel()
{
    if (auto *button = qobject_cast<QToolButton *>(d->toolButton.data()))
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

QWidget *Action::toolButton() const
{
    return d->toolButton.data();
}

QString Action::descriptionFromMenuText(const QString &menuText)
{
    QString description = menuText;
    description.remove(u'&');
    description.remove(u'.');
    return description;
}

QAction *Action::create(const QString &text, const char *name, int accel, QObject *receiver,
                        const char *slot)
{
    const bool toggle = slot && qstrlen(slot) && QByteArray(slot).contains("bool");
    auto *action =
        new Action(descriptionFromMenuText(text), text,
                   accel ? QKeySequence(accel) : QKeySequence(), shellInstance(), name, toggle);
    if (receiver && slot)
        QObject::connect(action, toggle ? SIGNAL(toggled(bool)) : SIGNAL(triggered()), receiver,
                         slot);
    actionRegistry().insert(QString::fromLatin1(name), action);
    return action;
}

Action *Action::find(const QString &name)
{
    return actionRegistry().value(name, nullptr);
}

} // namespace tarn
