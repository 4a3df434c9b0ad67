// Velmora: giving memory the program no longer uses back to the system.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

namespace tarn {

// Sets the allocator up for a long reading session: large blocks (decoded
// images, page texts) get pages of their own, which go back to the system
// when freed, instead of a heap whose freed middle no one can give back.
// Call once, first thing in main.
void tuneAllocator();

// Gives free heap memory back to the system a moment from now, once: the
// program calls it whenever it has let go of pages or images, and a burst
// of calls costs one trim.
void releaseFreeMemorySoon();

} // namespace tarn
