// Velmora: reading the embedded list files, beside the building of the window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listtables.h"

namespace tarn {

// Starts inflating and parsing index.lst and contents.lst on a thread of
// their own. Reading them costs more than building the rest of the window,
// and a start has a core to spare while the window is put together; started
// first thing, the lists are ready when the window asks for them. Calling it
// again before they are taken does nothing.
void startReadingLists();

// The index and the classes of the contents in display order: those
// startReadingLists began, the first time, waiting for them as needed;
// otherwise read here. A missing list gives an empty one. The index comes
// without its details.
IndexTable readIndexTable();
ContentsTable readContentsTable();

// What entries.lst adds to a table of the embedded index: read ahead after
// the lists, or read here.
IndexDetails readIndexDetails(const IndexTable &table);
// The index with its details, for lookups away from the window.
IndexTable readFullIndexTable();

// The names of the API that the index has no line for, read ahead after the
// lists or the first time they are asked for: only a search or a name from
// outside needs them.
const NameTable &readNameTable();

} // namespace tarn
