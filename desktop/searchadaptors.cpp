// Velmora: the two desktop search interfaces, as Qt's D-Bus exports them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchadaptors.h"

#include "desktopsearch.h"

namespace tarn::desktop {

SearchProviderAdaptor::SearchProviderAdaptor(QObject *parent, DesktopSearch *search)
    : QDBusAbstractAdaptor(parent)
    , m_search(search)
{
}

QStringList SearchProviderAdaptor::GetInitialResultSet(const QStringList &terms)
{
    return m_search->initialResults(terms);
}

QStringList SearchProviderAdaptor::GetSubsearchResultSet(const QStringList &previousResults,
                                                         const QStringList &terms)
{
    Q_UNUSED(previousResults);
    return m_search->initialResults(terms);
}

QList<QVariantMap> SearchProviderAdaptor::GetResultMetas(const QStringList &identifiers)
{
    return m_search->resultMetas(identifiers);
}

void SearchProviderAdaptor::ActivateResult(const QString &identifier, const QStringList &terms,
                                           uint timestamp)
{
    Q_UNUSED(terms);
    m_search->activateResult(identifier, timestamp);
}

void SearchProviderAdaptor::LaunchSearch(const QStringList &terms, uint timestamp)
{
    m_search->launchSearch(terms, timestamp);
}

RunnerAdaptor::RunnerAdaptor(QObject *parent, DesktopSearch *search)
    : QDBusAbstractAdaptor(parent)
    , m_search(search)
{
}

QList<RemoteAction> RunnerAdaptor::Actions()
{
    return m_search->actions();
}

QList<RemoteMatch> RunnerAdaptor::Match(const QString &query)
{
    return m_search->match(query);
}

void RunnerAdaptor::Run(const QString &matchId, const QString &actionId)
{
    m_search->run(matchId, actionId);
}

QVariantMap RunnerAdaptor::Config()
{
    return {{QStringLiteral("MinLetterCount"), 2}};
}

void RunnerAdaptor::Teardown()
{
    m_search->teardown();
}

} // namespace tarn::desktop
