// Velmora: answering a test's modal windows, and closing one left waiting.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QApplication>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

// Modal dialogs block the test in their own event loop; the driver answers
// them from timers. Its backstop closes a modal window that nothing answered
// within five seconds and remembers that it had to.
class ModalDriver : public QObject
{
public:
    // Runs answer on the next modal window once it is up.
    void whenModal(std::function<void(QWidget *)> answer)
    {
        auto *poll = new QTimer(this);
        poll->setObjectName(QStringLiteral("answer"));
        poll->setInterval(5);
        connect(poll, &QTimer::timeout, this, [poll, answer] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                poll->stop();
                poll->deleteLater();
                answer(modal);
            }
        });
        poll->start();
    }

    // Drops answers whose window never came, so they cannot answer a later one.
    void dropPendingAnswers()
    {
        for (QTimer *poll : findChildren<QTimer *>(QStringLiteral("answer"))) {
            poll->stop();
            poll->deleteLater();
        }
    }

    void startBackstop()
    {
        m_stuck = false;
        m_ticks = 0;
        delete m_backstop;
        m_backstop = new QTimer(this);
        m_backstop->setInterval(100);
        connect(m_backstop, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            m_ticks = modal ? m_ticks + 1 : 0;
            if (modal && m_ticks > 50) {
                m_stuck = true;
                modal->close();
            }
        });
        m_backstop->start();
    }

    // Stops the backstop; true when it had to close a window left waiting.
    bool stopBackstop()
    {
        dropPendingAnswers();
        delete m_backstop;
        m_backstop = nullptr;
        return m_stuck;
    }

private:
    QTimer *m_backstop = nullptr;
    int m_ticks = 0;
    bool m_stuck = false;
};
