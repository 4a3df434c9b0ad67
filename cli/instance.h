// Velmora: one window per desktop session: the second start hands its request over.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "request.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

#include <sys/types.h>

class QSocketNotifier;

namespace tarn::cli {

// Where the window open already listens: a socket in $XDG_RUNTIME_DIR, else
// in a folder of the user's own (mode 0700) under the temporary folder.
QString socketPath();

// Hands `request` to the window open already and waits for its answer,
// which comes once it shows what was asked. False when no window listens
// (or one left only its socket behind, killed); *answer then says why.
bool handOver(const Request &request, int timeoutMs, QString *answer);

// The open window's end: takes requests on the socket (replacing one a
// killed window left behind), from the same user only, each at most
// maxRequestBytes and answered or dropped within a few seconds.
class RequestServer : public QObject
{
    Q_OBJECT

public:
    // Carries out a request; calls `done` once what was asked is shown.
    using Handler = std::function<void(const Request &request, std::function<void()> done)>;

    explicit RequestServer(Handler handler, QObject *parent = nullptr);
    ~RequestServer() override;

    // Starts listening; false with the reason when the socket cannot be made.
    bool listen(const QString &path, QString *problem = nullptr);
    QString path() const;

    // How long a client may take to send its request.
    static constexpr int requestTimeoutMs = 3000;

private:
    class Client;

    void accept();
    // Stops listening and removes the socket file, if still this server's.
    void close();

    Handler m_handler;
    int m_fd = -1;
    QString m_path;
    std::pair<dev_t, ino_t> m_file; // the socket file made, to know it again
    std::unique_ptr<QSocketNotifier> m_incoming;
};

} // namespace tarn::cli
