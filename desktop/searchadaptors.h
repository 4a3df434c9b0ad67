// Velmora: the two desktop search interfaces, as Qt's D-Bus exports them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "dbustypes.h"

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantMap>

namespace tarn::desktop {

class DesktopSearch;

// GNOME Shell's search provider interface, version 2. The slots' names and
// arguments are the interface's own.
class SearchProviderAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")

public:
    SearchProviderAdaptor(QObject *parent, DesktopSearch *search);

public Q_SLOTS:
    QStringList GetInitialResultSet(const QStringList &terms);
    // The previous results are only a hint: the terms decide afresh, so an
    // entry the longer text ranks higher is not lost to the shorter one's ten.
    QStringList GetSubsearchResultSet(const QStringList &previousResults, const QStringList &terms);
    QList<QVariantMap> GetResultMetas(const QStringList &identifiers);
    void ActivateResult(const QString &identifier, const QStringList &terms, uint timestamp);
    void LaunchSearch(const QStringList &terms, uint timestamp);

private:
    DesktopSearch *m_search;
};

// KRunner's D-Bus runner interface.
class RunnerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")

public:
    RunnerAdaptor(QObject *parent, DesktopSearch *search);

public Q_SLOTS:
    QList<tarn::desktop::RemoteAction> Actions();
    QList<tarn::desktop::RemoteMatch> Match(const QString &query);
    void Run(const QString &matchId, const QString &actionId);
    // What KRunner should send: queries of two letters or more.
    QVariantMap Config();
    void Teardown();

private:
    DesktopSearch *m_search;
};

} // namespace tarn::desktop
