// Velmora: one window per desktop session: the second start hands its request over.
// Copyright the Velmora developers; see vxlicense.html for the terms.
//
// The socket is a plain Unix stream socket driven by a QSocketNotifier.
// Qt's local socket classes would do the same, but they live in a library
// that brings a Kerberos and proxy stack with it, loaded by every start for
// a few hundred bytes a session.
#include "instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
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

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The address of `path`, or false when the path is too long for one.
bool addressOf(const QString &path, sockaddr_un *address)
{
    const QByteArray name = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, name.constData(), size_t(name.size()));
    return true;
}

// Closes a descriptor when it goes out of scope.
struct Descriptor
{
    int fd = -1;
    explicit Descriptor(int d)
        : fd(d)
    {
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int release()
    {
        const int d = fd;
        fd = -1;
        return d;
    }
};

// A blocking connection to `path` whose every send and receive, and the
// connect itself, give up after timeoutMs. -1 with *problem on failure.
int connectTo(const QString &path, int timeoutMs, QString *problem)
{
    sockaddr_un address;
    if (!addressOf(path, &address)) {
        *problem = QStringLiteral("socket path too long");
        return -1;
    }
    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.fd < 0) {
        *problem = lastError();
        return -1;
    }
    timeval timeout = {};
    timeout.tv_sec = timeoutMs / 1000;
    timeout.tv_usec = (timeoutMs % 1000) * 1000;
    ::setsockopt(socket.fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    ::setsockopt(socket.fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    int result;
    do
        result = ::connect(socket.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        *problem = lastError();
        return -1;
    }
    return socket.release();
}

// Sends all of `bytes`; false when the other end is gone or stalls.
bool sendAll(int fd, const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// Whether the process at the other end runs as this user.
bool isSameUser(int fd)
{
    struct ucred peer = {};
    socklen_t length = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid();
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
    Descriptor socket(connectTo(path, timeoutMs, answer));
    if (socket.fd < 0)
        return false;
    if (!sendAll(socket.fd, encodeRequest(request))) {
        *answer = lastError();
        return false;
    }
    // The answer is one line; the window sends it once it shows the page.
    QByteArray reply;
    char buffer[512];
    while (!reply.contains('\n')) {
        const ssize_t n = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *answer = errno == EAGAIN ? QStringLiteral("no answer from the window") : lastError();
            return false;
        }
        if (n == 0)
            break;
        reply.append(buffer, n);
    }
    *answer = QString::fromUtf8(reply).trimmed();
    return reply.startsWith("ok");
}

// One client of the server: its descriptor, what it sent so far, and the
// deadline by which it must have sent a whole request.
class RequestServer::Client : public QObject
{
public:
    Client(int fd, RequestServer *server)
        : QObject(server)
        , m_fd(fd)
        , m_readable(fd, QSocketNotifier::Read, this)
    {
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, &Client::close);
        m_deadline.start(requestTimeoutMs);
        connect(&m_readable, &QSocketNotifier::activated, this, [this, server] { read(server); });
    }
    ~Client() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // Sends the one line of answer and hangs up.
    void reply(const QByteArray &line)
    {
        if (m_fd >= 0)
            sendAll(m_fd, line);
        close();
    }

private:
    void read(RequestServer *server)
    {
        char buffer[4096];
        const qsizetype room = maxRequestBytes + 1 - m_received.size();
        const ssize_t n =
            ::recv(m_fd, buffer, size_t(qMin<qsizetype>(room, qsizetype(sizeof buffer))), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n <= 0) { // gone before its request was whole
            close();
            return;
        }
        m_received.append(buffer, n);
        if (!isRequestComplete(m_received))
            return;
        m_deadline.stop();
        m_readable.setEnabled(false);
        QString problem;
        const std::optional<Request> request = decodeRequest(m_received, &problem);
        m_received.clear();
        if (!request) {
            reply("refused " + problem.toUtf8() + '\n');
            return;
        }
        QPointer<Client> client(this);
        server->m_handler(*request, [client] {
            if (client)
                client->reply("ok\n");
        });
    }

    void close()
    {
        m_deadline.stop();
        m_readable.setEnabled(false);
        if (m_fd >= 0) {
            ::shutdown(m_fd, SHUT_RDWR);
            ::close(m_fd);
            m_fd = -1;
        }
        deleteLater();
    }

    int m_fd;
    QSocketNotifier m_readable;
    QTimer m_deadline;
    QByteArray m_received;
};

RequestServer::RequestServer(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{
}

RequestServer::~RequestServer()
{
    close();
}

bool RequestServer::listen(const QString &path, QString *problemOut)
{
    QString ignored;
    QString *problem = problemOut ? problemOut : &ignored;
    close();
    if (path.isEmpty()) {
        *problem = QStringLiteral("no folder of the user's own for the socket");
        return false;
    }
    sockaddr_un address;
    if (!addressOf(path, &address)) {
        *problem = QStringLiteral("socket path too long");
        return false;
    }
    // A window that answers there is open already: leave its socket alone.
    // One nobody answers on was left by a window that was killed.
    QString unanswered;
    if (const int probe = connectTo(path, 500, &unanswered); probe >= 0) {
        ::close(probe);
        *problem = QStringLiteral("another window listens there");
        return false;
    }
    ::unlink(address.sun_path);

    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.fd < 0) {
        *problem = lastError();
        return false;
    }
    // The socket file is the user's alone from the moment it exists: Linux
    // gives it the mode of the unbound socket, less the umask.
    ::fchmod(socket.fd, S_IRUSR | S_IWUSR);
    if (::bind(socket.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(socket.fd, 16) != 0) {
        *problem = QStringLiteral("%1: %2").arg(path, lastError());
        return false;
    }
    struct stat file = {};
    ::lstat(address.sun_path, &file);
    m_file = {file.st_dev, file.st_ino};
    m_fd = socket.release();
    m_path = path;
    m_incoming = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_incoming.get(), &QSocketNotifier::activated, this, &RequestServer::accept);
    return true;
}

QString RequestServer::path() const
{
    return m_path;
}

void RequestServer::close()
{
    m_incoming.reset();
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    // The next start must not find a socket nobody listens on; one that
    // replaced it meanwhile is another window's.
    const QByteArray name = QFile::encodeName(m_path);
    struct stat file = {};
    if (::lstat(name.constData(), &file) == 0 && file.st_dev == m_file.first
        && file.st_ino == m_file.second)
        ::unlink(name.constData());
    m_path.clear();
}

void RequestServer::accept()
{
    for (;;) {
        const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: no one else waiting
        }
        if (!isSameUser(fd)) {
            ::close(fd);
            continue;
        }
        new Client(fd, this);
    }
}

} // namespace tarn::cli
