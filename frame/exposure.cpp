// Velmora: waiting for a window to reach the screen.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "exposure.h"

#include "freshmemory.h"

#include <QBackingStore>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <system_error>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define VELMORA_HAVE_XCB 1
#endif

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

// Waits for a widget's first paint event and, once the paint is done, has
// the work run and itself go.
class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget *widget, std::function<void()> then)
        : QObject(widget)
        , m_then(std::move(then))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            watched->removeEventFilter(this);
            // Queued: the event is still to be painted and flushed.
            QTimer::singleShot(0, this, [this] {
                const std::function<void()> then = std::move(m_then);
                deleteLater();
                then();
            });
        }
        return false;
    }

private:
    std::function<void()> m_then;
    bool m_seen = false;
};

} // namespace

void afterFirstPaint(QWidget *widget, std::function<void()> then)
{
    if (widget && then)
        new FirstPaintWatch(widget, std::move(then));
}

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

void prepareBackingStore(QWidget *window)
{
    QBackingStore *store = window ? window->backingStore() : nullptr;
    if (!store)
        return;
    // The size the repaint would give it; resized again later only if the
    // window's size changes first.
    store->resize(window->size());
    if (auto *image = dynamic_cast<QImage *>(store->paintDevice()))
        tarn::populateForWriting(const_cast<uchar *>(image->constBits()), image->sizeInBytes());
}

BackingStoreWarmup::BackingStoreWarmup(QWidget *window)
{
    QBackingStore *store = window && window->windowHandle() ? window->backingStore() : nullptr;
    if (!store)
        return;
    store->resize(window->size());
    auto *image = dynamic_cast<QImage *>(store->paintDevice());
    if (!image || image->sizeInBytes() <= 0)
        return;
    const uchar *bits = image->constBits();
    const qsizetype bytes = image->sizeInBytes();
    try {
        m_thread = std::thread([bits, bytes] {
            tarn::populateForWriting(const_cast<uchar *>(bits), bytes);
            tarn::touchPages(bits, bytes);
        });
    } catch (const std::system_error &) {
        // No thread to spare: the paint takes the faults, as without this.
    }
}

BackingStoreWarmup::~BackingStoreWarmup()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool MapExposeFilter::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
#ifdef VELMORA_HAVE_XCB
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    switch (event->response_type & 0x7f) {
    case XCB_MAP_NOTIFY:
        windowMapped(WId(reinterpret_cast<const xcb_map_notify_event_t *>(event)->window));
        return false;
    case XCB_EXPOSE:
        return dropsExpose(WId(reinterpret_cast<const xcb_expose_event_t *>(event)->window));
    default:
        return false;
    }
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
    return false;
#endif
}

void MapExposeFilter::windowMapped(WId window)
{
    // Only the application's own top-level windows, which the toolkit
    // exposes whole as they map: a child window gets no such expose.
    const QList<QWindow *> windows = QGuiApplication::topLevelWindows();
    for (QWindow *candidate : windows) {
        if (!candidate->handle() || candidate->winId() != window)
            continue;
        if (!m_awaiting.contains(candidate)) {
            m_awaiting.append(candidate);
            candidate->installEventFilter(this);
        }
        return;
    }
}

bool MapExposeFilter::dropsExpose(WId window) const
{
    for (const QPointer<QWindow> &awaiting : m_awaiting) {
        if (awaiting && awaiting->handle() && awaiting->winId() == window)
            return true;
    }
    return false;
}

bool MapExposeFilter::eventFilter(QObject *watched, QEvent *event)
{
    // The toolkit's whole expose reaches the window: the paint that covers
    // every expose read so far comes now, and any later one is news.
    if (event->type() == QEvent::Expose || event->type() == QEvent::Hide) {
        watched->removeEventFilter(this);
        m_awaiting.removeIf(
            [watched](const QPointer<QWindow> &window) { return !window || window == watched; });
    }
    return false;
}

void installMapExposeFilter()
{
    // The whole expose on a map notification is the X plugin's of Qt 6; a
    // toolkit that did not make it would get no expose at all, and the
    // window would never paint (the smoke test checks that it does).
#if QT_VERSION >= QT_VERSION_CHECK(7, 0, 0)
    return;
#endif
    static QPointer<MapExposeFilter> installed;
    if (installed || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    installed = new MapExposeFilter;
    installed->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installNativeEventFilter(installed);
}
