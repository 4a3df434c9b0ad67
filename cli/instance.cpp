// Velmora: one window per desktop session: the second start hands its request over.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "instance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn::cli {

namespace {

// The user's own folder for the socket when there is no runtime folder.
QString privateFolder()
{
    const QString folder =
        QDir::tempPath() + QStringLiteral("/velmora-%1").arg(static_cast<qulonglong>(::getuid()));
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    // A folder someone else made, or opened to others, is no private folder.
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()
        || (info.st_mode & 0077) != 0)
        return QString();
    return folder;
}

// Whether the process at the other end runs as this user.
bool isSameUser(const QLocalSocket *socket)
{
    struct ucred peer = {};
    socklen_t length = sizeof peer;
    return ::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length)
        == 0
        && peer.uid == ::getuid();
}

} // namespace

QString socketPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = privateFolder();
    if (folder.isEmpty())
        return QString();
    return folder + QStringLiteral("/velmora.socket");
}

bool handOver(const Request &request, int timeoutMs, QString *answer)
{
    const QString path = socketPath();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        *answer = QStringLiteral("no window open");
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        *answer = socket.errorString();
        return false;
    }
    socket.write(encodeRequest(request));
    if (!socket.waitForBytesWritten(timeoutMs)) {
        *answer = socket.errorString();
        return false;
    }
    QByteArray reply;
    while (!reply.contains('\n') && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    *answer = QString::fromUtf8(reply).trimmed();
    return reply.startsWith("ok");
}

RequestServer::RequestServer(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
    , m_server(std::make_unique<QLocalServer>())
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &RequestServer::accept);
}

RequestServer::~RequestServer() = default;

bool RequestServer::listen(const QString &path, QString *problem)
{
    if (path.isEmpty()) {
        if (problem)
            *problem = QStringLiteral("no folder of the user's own for the socket");
        return false;
    }
    // A window that answers there is open already: leave its socket alone.
    // One nobody answers on was left by a window that was killed.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(500)) {
        probe.abort();
        if (problem)
            *problem = QStringLiteral("another window listens there");
        return false;
    }
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        if (problem)
            *problem = m_server->errorString();
        return false;
    }
    return true;
}

QString RequestServer::path() const
{
    return m_server->fullServerName();
}

void RequestServer::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!isSameUser(socket)) {
            socket->abort();
            continue;
        }
        serve(socket);
    }
}

void RequestServer::serve(QLocalSocket *socket)
{
    // A client that says nothing, or never finishes, is dropped.
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, &QLocalSocket::abort);
    deadline->start(requestTimeoutMs);

    auto *received = new QByteArray;
    connect(socket, &QObject::destroyed, [received] { delete received; });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, received, deadline] {
        *received += socket->read(maxRequestBytes + 1 - received->size());
        if (!isRequestComplete(*received))
            return;
        deadline->stop();
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        QString problem;
        const std::optional<Request> request = decodeRequest(*received, &problem);
        if (!request) {
            socket->write("refused " + problem.toUtf8() + '\n');
            socket->disconnectFromServer();
            return;
        }
        QPointer<QLocalSocket> client(socket);
        m_handler(*request, [client] {
            if (!client)
                return;
            client->write("ok\n");
            client->disconnectFromServer();
        });
    });
}

} // namespace tarn::cli
