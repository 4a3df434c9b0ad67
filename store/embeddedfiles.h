// Velmora: the table of embedded pages and list files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

// One compressed file of the documentation set. `data` points at a blob in
// qCompress form: a 4-byte big-endian inflated length, then one zlib stream.
struct EmbeddedFile
{
    quint32 storedLength;
    const unsigned char *data;
    const char *name;
};

// Pages in byte order of their names, then "index.lst", then "contents.lst",
// ended by a record whose data is null. Generated at build time.
extern const EmbeddedFile embeddedFiles[];

// What the lookup knows beyond the two lists ("entries.lst", "names.lst"),
// in a table of the same shape: empty for a folder without them.
extern const EmbeddedFile embeddedLookupFiles[];

// Version of the imported toolkit reference ("5.15.8"); empty when the
// embedded folder did not say.
extern const char embeddedDocumentationVersion[];

// index.lst parsed at build time, as IndexTable::frozen() lays it out, for the
// program to use where it lies; empty (size 0) when the build made none.
extern "C" const unsigned char velmora_frozen_index[];
extern const unsigned long embeddedFrozenIndexSize;
// The classes of contents.lst the same way, as ContentsTable::frozen() lays
// them out; empty when the build made none.
extern "C" const unsigned char velmora_frozen_contents[];
extern const unsigned long embeddedFrozenContentsSize;

// Finds a file by its exact, case-sensitive bare name. Returns the stored
// blob, or null with *storedLengthOut set to 0.
const unsigned char *findEmbeddedFile(const char *name, int *storedLengthOut);
// The same in the lookup table.
const unsigned char *findEmbeddedLookupFile(const char *name, int *storedLengthOut);

// Inflates a blob into `out`, `outLength` bytes, populating their pages at
// once first: blobs inflate to megabytes, and filling fresh memory a page
// fault at a time costs more than the inflating. True when the blob gives
// exactly `outLength` bytes, as its header must say.
bool inflateEmbeddedInto(const unsigned char *data, qsizetype storedLength, void *out,
                         qsizetype outLength);
// The length a blob's header gives; 0 for a blob too short to have one.
qsizetype embeddedInflatedLength(const unsigned char *data, qsizetype storedLength);
// The blob inflated, as qUncompress would give it; empty when the blob is
// damaged or its header claims more than any file of the set could be.
QByteArray inflateEmbedded(const unsigned char *data, qsizetype storedLength);

// The file of that exact name inflated, from the file table or else the
// lookup table, its blob's pages handed back to the system after; empty when
// neither has it or its blob is damaged.
QByteArray readEmbeddedFile(const char *name);

// Calls eachLine for every line of a blob's text, without its line end
// ("\n" or "\r\n"), in order, inflating a piece at a time: what one pass
// over a list needs, in a few kilobytes rather than the whole list. A false
// from eachLine stops the pass. False for a damaged blob; the lines before
// the damage have been seen by then.
bool inflateEmbeddedLines(const unsigned char *data, qsizetype storedLength,
                          const std::function<bool(QByteArrayView)> &eachLine);
// A blob read once a line at a time, whose text can be read again a stretch
// at a time without the text kept: the pass keeps the inflater's state every
// `spacing` bytes of text (each about 40 kB), and a later read inflates from
// the last state before what it wants. For a list read whole at start whose
// parts are wanted one at a time later.
class SeekableBlob
{
public:
    static constexpr qsizetype defaultSpacing = 256 * 1024;

    SeekableBlob(const unsigned char *data, qsizetype storedLength,
                 qsizetype spacing = defaultSpacing);
    ~SeekableBlob();
    SeekableBlob(const SeekableBlob &) = delete;
    SeekableBlob &operator=(const SeekableBlob &) = delete;

    // The pass, as inflateEmbeddedLines makes it, each line with the offset
    // of its first byte in the text. False for a damaged blob.
    bool readLines(const std::function<bool(QByteArrayView line, qsizetype offset)> &eachLine);
    // Without a pass over the lines, when their offsets are known already:
    // inflates on from where the blob was last read to `end` of the text,
    // keeping its places as the pass does, and no further. A reader asks
    // for what it needs and pays only for the text up to it, once. False
    // when the text ends before `end`, or for a damaged blob.
    bool reach(qsizetype end);
    // [offset, offset + length) of the text; empty for a stretch beyond the
    // lines the pass saw (or the text reached), or a damaged blob. Safe on
    // any thread once the pass is over, and while no other reaches further.
    QByteArray bytes(qsizetype offset, qsizetype length) const;

private:
    struct State;

    const unsigned char *m_data;
    qsizetype m_storedLength;
    qsizetype m_spacing;
    qsizetype m_seen = 0; // the end of the last line the pass saw, or of the text reached
    bool m_ended = false; // reach() came to the end of the stream
    std::vector<std::unique_ptr<State>> m_states;
};

// The same for the file of that exact name, as readEmbeddedFile finds it;
// false when neither table has it.
bool readEmbeddedLines(const char *name, const std::function<bool(QByteArrayView)> &eachLine);

// Lets the system take back the resident pages of a blob that was just
// inflated. The tables live in the program's read-only data, pages the
// system reads back from the executable on the next touch; without this,
// a session that visits every page keeps the whole set resident. Does
// nothing for bytes outside a read-only segment of a loaded object (a
// test's buffer, say), whose contents would not come back.
void releaseEmbeddedBytes(const unsigned char *data, qsizetype length);
// The same for the whole of the file and image tables: the system maps the
// executable's pages in large runs around the few bytes a read touches
// (hundreds of kB around one small page), and those stay with the program
// until it lets them go. Whatever is read next is simply read again from
// the executable. The frozen index is left alone: the Index reads its names
// at every key typed into it.
void releaseEmbeddedTables();
