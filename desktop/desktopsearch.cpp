// Velmora: the desktop's search boxes served on the session bus.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "desktopsearch.h"

#include "busterms.h"
#include "embeddedimages.h"
#include "embeddedpages.h"
#include "listformat.h"
#include "logging.h"
#include "lookup.h"
#include "searchadaptors.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <cstdio>

namespace tarn::desktop {

namespace {

// The entry's words for the full-text search: "arg (QString)" gives "arg QString".
QString searchWords(const QString &entryName)
{
    QString words = entryName;
    words.remove(u'(').remove(u')');
    return words.simplified();
}

// Whether an entry's name is exactly what was typed: "QString", "arg (QString)",
// "QString::arg" or "QString arg" for that member, "arg" for a member of that name.
bool namesExactly(const QString &entryName, const QString &text)
{
    if (entryName.compare(text, Qt::CaseInsensitive) == 0)
        return true;
    const qsizetype open = entryName.lastIndexOf(u" (");
    if (open <= 0 || !entryName.endsWith(u')'))
        return false;
    const QStringView bare = QStringView(entryName).left(open);
    if (const std::optional<QualifiedName> qualified = qualifiedName(text))
        return isMemberEntryOf(entryName, *qualified)
            && bare.compare(qualified->member, Qt::CaseInsensitive) == 0;
    return bare.compare(text, Qt::CaseInsensitive) == 0;
}

} // namespace

DesktopSearch::DesktopSearch(LookupService service, Launcher launcher, KindIcon kindIcon,
                             QObject *parent)
    : QObject(parent)
    , m_service(std::move(service))
    , m_launcher(std::move(launcher))
    , m_kindIcon(std::move(kindIcon))
{
    registerDesktopTypes();
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &DesktopSearch::idle);
}

DesktopSearch::~DesktopSearch() = default;

bool DesktopSearch::publish(QDBusConnection connection, QString *problem)
{
    if (!connection.isConnected()) {
        *problem = QStringLiteral("no session bus: %1").arg(connection.lastError().message());
        return false;
    }
    // One object a path, each with its interface: what the desktops call.
    auto *provider = new QObject(this);
    new SearchProviderAdaptor(provider, this);
    auto *runner = new QObject(this);
    new RunnerAdaptor(runner, this);
    if (!connection.registerObject(QLatin1String(providerPath), provider,
                                   QDBusConnection::ExportAdaptors)
        || !connection.registerObject(QLatin1String(runnerPath), runner,
                                      QDBusConnection::ExportAdaptors)) {
        *problem = QStringLiteral("cannot register the search objects");
        return false;
    }
    // Taken only now, when the index is in memory: a call the bus queued
    // while it started this process is answered at once.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        connection.interface()->registerService(QLatin1String(busName),
                                                QDBusConnectionInterface::DontQueueService,
                                                QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        *problem = reply.isValid() ? QStringLiteral("%1 is served already").arg(busName)
                                   : reply.error().message();
        return false;
    }
    return true;
}

void DesktopSearch::setIdleTimeout(int milliseconds)
{
    m_idle.setInterval(milliseconds);
    touch();
}

void DesktopSearch::touch()
{
    if (m_idle.interval() > 0)
        m_idle.start();
}

QStringList DesktopSearch::initialResults(const QStringList &terms)
{
    touch();
    return m_service.results(terms);
}

QList<QVariantMap> DesktopSearch::resultMetas(const QStringList &ids)
{
    touch();
    QList<QVariantMap> metas;
    for (const DesktopResult &result : m_service.describe(ids)) {
        QVariantMap meta{
            {QStringLiteral("id"), result.id},
            {QStringLiteral("name"), result.name},
            {QStringLiteral("description"), result.description},
        };
        if (const IconData icon = iconFor(result.kind); !icon.data.isEmpty())
            meta.insert(QStringLiteral("icon-data"), QVariant::fromValue(icon));
        metas.append(meta);
    }
    return metas;
}

void DesktopSearch::activateResult(const QString &id, uint timestamp)
{
    touch();
    if (const std::optional<DesktopResult> result = m_service.issued(id))
        m_launcher({QStringLiteral("--"), result->target}, timestamp);
    else
        qCDebug(lcDesktop) << "an id that was not issued:" << id.left(maxTermLength);
}

void DesktopSearch::launchSearch(const QStringList &terms, uint timestamp)
{
    touch();
    if (const std::optional<QString> words = lookupText(terms))
        m_launcher({QLatin1String("--search=") + *words}, timestamp);
}

QList<RemoteMatch> DesktopSearch::match(const QString &query)
{
    touch();
    const std::optional<QStringList> terms = queryTerms(query);
    if (!terms)
        return {};
    const QStringList ids = m_service.results(*terms);
    const QString text = terms->join(u' ');
    QList<RemoteMatch> matches;
    for (const DesktopResult &result : m_service.describe(ids)) {
        RemoteMatch match;
        match.id = result.id;
        match.text = result.name;
        match.iconName = QStringLiteral("velmora");
        // Best first, as the lookup put them; KRunner sorts by these.
        match.type =
            matches.isEmpty() && namesExactly(result.name, text) ? ExactMatch : PossibleMatch;
        match.relevance = 1.0 - 0.05 * double(matches.size());
        match.properties.insert(QStringLiteral("subtext"), result.description);
        if (const IconData icon = iconFor(result.kind); !icon.data.isEmpty())
            match.properties.insert(QStringLiteral("icon-data"), QVariant::fromValue(icon));
        matches.append(match);
    }
    return matches;
}

QList<RemoteAction> DesktopSearch::actions() const
{
    return {{QLatin1String(searchActionId), tr("Search every page for it"),
             QStringLiteral("edit-find")}};
}

void DesktopSearch::run(const QString &matchId, const QString &actionId)
{
    touch();
    const std::optional<DesktopResult> result = m_service.issued(matchId);
    if (!result)
        return;
    if (actionId.isEmpty())
        m_launcher({QStringLiteral("--"), result->target}, 0);
    else if (actionId == QLatin1String(searchActionId))
        m_launcher({QLatin1String("--search=") + searchWords(result->name)}, 0);
}

void DesktopSearch::teardown()
{
    m_service.forgetIssued();
    touch();
}

IconData DesktopSearch::iconFor(const QString &kind)
{
    auto it = m_icons.find(kind);
    if (it == m_icons.end()) {
        const QImage image = m_kindIcon ? m_kindIcon(kind) : QImage();
        it = m_icons.insert(kind, image.isNull() ? IconData() : iconData(image));
    }
    return it.value();
}

int serveDesktopSearch(IndexTable index, NameTable names)
{
    LookupService service(
        std::move(index), [](const QString &page) { return findEmbeddedPageText(page); },
        std::move(names));
    DesktopSearch search(std::move(service), launchProgram, [](const QString &kind) {
        const QString icon = kindIconName(kind);
        return icon.isEmpty() ? QImage() : findEmbeddedImage(icon + QLatin1String(".png"));
    });
    QString problem;
    if (!search.publish(QDBusConnection::sessionBus(), &problem)) {
        const QString message =
            QStringLiteral("velmora: cannot serve the desktop's search: %1\n").arg(problem);
        std::fputs(message.toLocal8Bit().constData(), stderr);
        return 1;
    }
    search.setIdleTimeout(DesktopSearch::defaultIdleTimeout);
    QObject::connect(&search, &DesktopSearch::idle, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    return QCoreApplication::exec();
}

void launchProgram(const QStringList &arguments, uint timestamp)
{
    QProcess program;
    program.setProgram(QCoreApplication::applicationFilePath());
    program.setArguments(arguments);
    if (timestamp != 0) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"),
                           QStringLiteral("velmora-search-%1_TIME%2")
                               .arg(QCoreApplication::applicationPid())
                               .arg(timestamp));
        program.setProcessEnvironment(environment);
    }
    if (!program.startDetached())
        qCWarning(lcDesktop) << "cannot start" << program.program() << program.errorString();
}

} // namespace tarn::desktop
