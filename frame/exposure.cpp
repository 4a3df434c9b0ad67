// Velmora: waiting for a window to reach the screen.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "exposure.h"

#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// Ends the loop once an expose event has gone through to the window.
class ExposeWatch : public QObject
{
public:
    ExposeWatch(QWindow *window, QEventLoop *loop)
        : m_window(window)
        , m_loop(loop)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Quitting only flags the loop: the event is still delivered, and the
        // loop ends after the window has painted for it.
        if (watched == m_window && event->type() == QEvent::Expose)
            QTimer::singleShot(0, m_loop, [this] {
                if (m_window->isExposed())
                    m_loop->quit();
            });
        return false;
    }

private:
    QWindow *m_window;
    QEventLoop *m_loop;
};

} // namespace

bool waitUntilExposed(QWidget *window, int timeoutMs)
{
    if (!window || !window->isVisible())
        return false;
    QWindow *handle = window->windowHandle();
    if (!handle)
        return false;
    if (handle->isExposed())
        return true;
    QEventLoop loop;
    ExposeWatch watch(handle, &loop);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    loop.exec();
    return handle->isExposed();
}
