// Velmora: giving memory the program no longer uses back to the system.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

namespace tarn {

// Sets the allocator up for a long reading session: large blocks (decoded
// images, page texts) get pages of their own, which go back to the system
// when freed, instead of a heap whose freed middle no one can give back.
// Call once, first thing in main.
void tuneAllocator();

// For a start that builds a window: grows the heap by the 2 MB the window
// allocates before it first paints, and has a thread of its own back those
// pages and touch them through while the main thread goes on. The main
// thread would otherwise take a fault on each (about 750 of them), and on a
// virtual machine whose host backs memory on its first touch each also
// costs the host's fault, several microseconds apiece. Nothing in the heap
// is written; a heap that shrinks meanwhile costs nothing but the touch.
// endHeapWarmup() gives the allocator its usual pad back, once the window
// has painted, so that later trims keep no more than before.
void warmHeapAhead();
void endHeapWarmup();

// Gives free heap memory back to the system a moment from now, once: the
// program calls it whenever it has let go of pages or images, and a burst
// of calls costs one trim.
void releaseFreeMemorySoon();

} // namespace tarn
