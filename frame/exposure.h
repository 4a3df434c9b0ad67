// Velmora: waiting for a window to reach the screen.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWindow>

#include <functional>
#include <thread>

class QWidget;

// Runs the events until the window system has exposed `window`, which has
// been shown, or `timeoutMs` has passed; true when it is exposed. Returns as
// soon as the expose event has been handled, so the window has painted by
// then. The splash screen's own wait sleeps 10 ms between its looks at the
// window, which keeps the splash over the finished window that much longer.
bool waitUntilExposed(QWidget *window, int timeoutMs);

// Calls `then` once, from the event loop, after `widget` has first been
// painted: for work that would only take the second core from the window
// system while a start builds, shows and paints the window. Nothing is
// called for a widget that goes before it is painted.
void afterFirstPaint(QWidget *widget, std::function<void()> then);

// Has a window just shown get its backing store at its size now, its memory
// populated in one call: its first paint covers all of it, and page by page
// that paint took a fault for every 4 kB it touched first (a 900 x 700
// window is 600 of them), the dearest part of the paint in a virtual
// machine. Call it between show() and the events that bring the paint; it
// writes nothing into the store. A no-op for a store that is no image.
void prepareBackingStore(QWidget *window);

// Faults a window's backing store in on a thread of its own while the
// caller goes on, and waits for that thread when it goes. Populated or not,
// a page a virtual machine has never backed costs its host a fault on the
// first touch (about 7 us a page here: 4 ms of a 900 x 700 window's first
// paint); touched here, those faults are taken on the second core while the
// first does other work. The store is sized as the window first, for a
// window that is created. Nothing is written: the thread only reads, and
// the store must not be resized or painted until this object has gone,
// which a scope around code that runs no events ensures.
class BackingStoreWarmup
{
public:
    explicit BackingStoreWarmup(QWidget *window);
    ~BackingStoreWarmup();
    BackingStoreWarmup(const BackingStoreWarmup &) = delete;
    BackingStoreWarmup &operator=(const BackingStoreWarmup &) = delete;

private:
    std::thread m_thread;
};

// Drops the X server's expose events that only repeat a paint the toolkit
// is about to make. Told that a window is mapped, the toolkit exposes all of
// it at once and paints and flushes it whole; the server's own expose events
// for that map, read before that paint, then have it flush the same pixels
// a second time, which for a full window kept the server busy as long as the
// paint itself (about 12 ms for 900 x 700 on a virtual display) before the
// screen was complete. An expose read after the paint has begun (a splash
// going away from over the window, say) is delivered as always.
class MapExposeFilter : public QObject, public QAbstractNativeEventFilter
{
public:
    // The events as the X connection reads them; any other kind passes.
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // The same decision for one event: a map notification or an expose of
    // the window with that id (for the test, on any platform).
    void windowMapped(WId window);
    bool dropsExpose(WId window) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Mapped top-level windows whose own whole expose is not delivered yet.
    QList<QPointer<QWindow>> m_awaiting;
};

// Installs one MapExposeFilter on the application when it shows its windows
// on an X server; a no-op on any other platform, and when installed already.
void installMapExposeFilter();
