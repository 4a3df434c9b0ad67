// Velmora: ends the event loop on SIGTERM and SIGINT.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the two signals into a quit of the event loop through a self-pipe,
// so nothing but a write happens inside the signal handler.
class TerminationWatch : public QObject
{
    Q_OBJECT

public:
    TerminationWatch();
    ~TerminationWatch() override;

private:
    QSocketNotifier *m_notifier = nullptr;
};
