// Velmora: reading the embedded list files, beside the building of the window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listtables.h"

#include <QHash>
#include <QSet>

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

// Starts reading what only a lookup needs, the index's details and the
// names beyond it, on a thread of its own: called when a reader is about to
// type into the Index or the search. A window that is only read never holds
// them. Calling it again does nothing.
void startReadingLookupLists();
// Whether those are read and waiting, so that taking them costs nothing.
bool lookupListsRead();

// What entries.lst adds to a table of the embedded index: those
// startReadingLookupLists began, waiting for them as needed, or read here.
IndexDetails readIndexDetails(const IndexTable &table);
// The versions entries.lst gives the entries of these targets, the first
// line of each, in one pass a piece at a time: the marks of a few rows
// without the whole list's details in memory.
QHash<QString, EntryVersion> readEntryVersions(const QSet<QString> &targets);

// The index with its details, for lookups away from the window.
IndexTable readFullIndexTable();

// The names of the API that the index has no line for, read ahead by
// startReadingLookupLists or the first time they are asked for: only a
// search or a name from outside needs them.
const NameTable &readNameTable();

} // namespace tarn
