// Velmora: the desktop's search boxes served on the session bus.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "dbustypes.h"
#include "lookupservice.h"

#include <QDBusConnection>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QTimer>

#include <functional>

namespace tarn::desktop {

// Where the search is served: the names that the provider's .ini file, the
// bus's .service file and the KRunner plugin file give.
inline constexpr char busName[] = "example.tessaravox.Velmora.Search";
inline constexpr char providerPath[] = "/example/tessaravox/Velmora/SearchProvider";
inline constexpr char runnerPath[] = "/example/tessaravox/Velmora/Runner";

// What GNOME Shell's provider interface and KRunner's runner interface ask,
// answered by one lookup service. Opening a result starts Velmora with the
// entry's page name (a window opens, or the one open shows it), so serving
// the search opens no window of its own. Only ids this object issued open
// anything, and they open pages of the set, never a link or a file.
class DesktopSearch : public QObject
{
    Q_OBJECT

public:
    // Starts Velmora with these arguments; `timestamp` is the desktop's
    // time of the user's click, 0 when it gave none.
    using Launcher = std::function<void(const QStringList &arguments, uint timestamp)>;
    // A kind's icon, "+f" or "C"; null for none.
    using KindIcon = std::function<QImage(const QString &kind)>;

    DesktopSearch(LookupService service, Launcher launcher, KindIcon kindIcon,
                  QObject *parent = nullptr);
    ~DesktopSearch() override;

    // Registers both interfaces on `connection` and takes the bus name;
    // false with the reason when the name is taken or the bus refuses.
    bool publish(QDBusConnection connection, QString *problem);

    // Ends the service after this long without a call: the bus starts it
    // again on the next. 0 keeps it running.
    void setIdleTimeout(int milliseconds);
    static constexpr int defaultIdleTimeout = 5 * 60 * 1000;

    LookupService &service() { return m_service; }

    // org.gnome.Shell.SearchProvider2
    QStringList initialResults(const QStringList &terms);
    QList<QVariantMap> resultMetas(const QStringList &ids);
    void activateResult(const QString &id, uint timestamp);
    void launchSearch(const QStringList &terms, uint timestamp);

    // org.kde.krunner1
    QList<RemoteMatch> match(const QString &query);
    QList<RemoteAction> actions() const;
    void run(const QString &matchId, const QString &actionId);
    void teardown();

    // The id of KRunner's action that searches every page for the match.
    static constexpr char searchActionId[] = "search";

Q_SIGNALS:
    // No call came for the idle timeout.
    void idle();

private:
    void touch();
    IconData iconFor(const QString &kind);

    LookupService m_service;
    Launcher m_launcher;
    KindIcon m_kindIcon;
    QHash<QString, IconData> m_icons;
    QTimer m_idle;
};

// The desktop's search of the program, on the session bus, until it has been
// idle for the default timeout; the exit status for main. Takes the index
// read from the embedded lists with its details, and the name table; pages
// and icons come from the embedded tables.
int serveDesktopSearch(IndexTable index, NameTable names);

// Starts this program with the arguments, detached; a desktop timestamp
// goes with it as the start-up id, so the window it opens may take the focus.
void launchProgram(const QStringList &arguments, uint timestamp);

} // namespace tarn::desktop
