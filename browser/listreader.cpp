// Velmora: reading the embedded list files, beside the building of the window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listreader.h"

#include "docnames.h"
#include "embeddedfiles.h"
#include "freshmemory.h"

#include <QByteArray>
#include <QStringDecoder>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace tarn {

namespace {

// UTF-8 decoded as QString::fromUtf8 does.
QString decodeUtf8(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless
                               | QStringDecoder::Flag::ConvertInitialBom);
    return decodePopulated(decoder, utf8);
}

// The build's frozen table when it made one: nothing to parse, and only the
// pages of it that are read become memory of the program.
IndexTable indexTableNow()
{
    IndexTable table;
    if (IndexTable::fromFrozen(velmora_frozen_index, qsizetype(embeddedFrozenIndexSize), &table))
        return table;
    return IndexTable::fromText(decodeUtf8(readEmbeddedFile(docnames::indexList)));
}

IndexDetails indexDetailsNow(const IndexTable &table)
{
    return table.readDetails(readEmbeddedFile(docnames::entryList));
}

NameTable nameTableNow()
{
    return NameTable::fromText(decodeUtf8(readEmbeddedFile(docnames::nameList)));
}

// The stored contents list, read back a member list at a time. The one
// read last is kept: a class's list is asked for again while it is shown.
class StoredContents : public ContentsTable::Source
{
public:
    StoredContents(const unsigned char *data, qsizetype storedLength)
        : m_blob(data, storedLength)
    {
    }
    // The lines read in one pass: member lists are then read from its places.
    bool readLines(const std::function<bool(QByteArrayView line, qsizetype offset)> &eachLine)
    {
        m_passed = true;
        return m_blob.readLines(eachLine);
    }

    // A member list already at hand, given back for its place in the list.
    void keep(qsizetype start, const QByteArray &bytes)
    {
        const std::lock_guard<std::mutex> lock(m_lastMutex);
        m_last = bytes;
        m_lastStart = start;
    }

    QByteArray bytes(qsizetype start, qsizetype length) const override
    {
        const std::lock_guard<std::mutex> lock(m_lastMutex);
        if (start != m_lastStart || m_last.size() != length) {
            // A table of the build's frozen classes made no pass over the
            // list: the text is inflated as far as a class asks for.
            if (!m_passed)
                m_blob.reach(start + length);
            m_last = m_blob.bytes(start, length);
            m_lastStart = start;
        }
        return m_last;
    }

private:
    mutable SeekableBlob m_blob;
    bool m_passed = false;
    mutable std::mutex m_lastMutex;
    mutable qsizetype m_lastStart = -1;
    mutable QByteArray m_last;
};

ContentsTable contentsTableNow()
{
    int storedLength = 0;
    const unsigned char *stored = findEmbeddedFile(docnames::contentsList, &storedLength);
    if (!stored)
        return ContentsTable();
    auto source = std::make_shared<StoredContents>(stored, storedLength);
    ContentsTable table;
    // The build's frozen classes, when it made them: the list is then read
    // only a class's members at a time.
    if (ContentsTable::fromFrozen(velmora_frozen_contents, qsizetype(embeddedFrozenContentsSize),
                                  &table)) {
        table.source = source;
    } else {
        source->readLines([&table](QByteArrayView line, qsizetype offset) {
            table.addLine(line, offset);
            return true;
        });
        releaseEmbeddedBytes(stored, storedLength);
        table.finish(source);
    }
    // The window opens on the first class's members: the frozen image
    // carries them, else they are read now, off the window's thread.
    if (!table.classes.isEmpty()) {
        const ContentsTable::Class &first = table.classes.first();
        if (!table.openingMembers.isEmpty())
            source->keep(first.membersStart, table.openingMembers);
        else
            source->bytes(first.membersStart, first.membersLength);
    }
    return table;
}

// Lists being read ahead, by one thread at a time: the window's own thread
// needs the other core, and a second reader only takes time from it. Each
// list is taken once; the threads are waited for before the program's data
// goes.
struct ReadAhead
{
    ~ReadAhead()
    {
        if (reader.joinable())
            reader.join();
        if (lookupReader.joinable())
            lookupReader.join();
    }

    std::future<IndexTable> index;
    std::future<ContentsTable> contents;
    std::thread reader;
    // The window's copy of the index, once taken: the details are read
    // against it. Only the window's thread touches it.
    IndexTable taken;
    bool lookupStarted = false;
    std::future<IndexDetails> details;
    std::future<NameTable> names;
    std::thread lookupReader;
};

template <typename T> bool isReady(const std::future<T> &future)
{
    return future.valid() && future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

ReadAhead &readAhead()
{
    static ReadAhead lists;
    return lists;
}

} // namespace

void startReadingLists()
{
    ReadAhead &lists = readAhead();
    if (lists.index.valid() || lists.contents.valid())
        return;
    if (lists.reader.joinable())
        lists.reader.join();
    // The index first: the window fills it first. What only a lookup needs
    // waits for startReadingLookupLists().
    std::promise<IndexTable> index;
    std::promise<ContentsTable> contents;
    lists.index = index.get_future();
    lists.contents = contents.get_future();
    lists.reader =
        std::thread([index = std::move(index), contents = std::move(contents)]() mutable {
            index.set_value(indexTableNow());
            contents.set_value(contentsTableNow());
        });
}

void startReadingLookupLists()
{
    ReadAhead &lists = readAhead();
    if (lists.lookupStarted)
        return;
    lists.lookupStarted = true;
    std::promise<IndexDetails> details;
    std::promise<NameTable> names;
    lists.details = details.get_future();
    lists.names = names.get_future();
    // The thread's copy shares the window's data; both only read it.
    lists.lookupReader =
        std::thread([table = std::exchange(lists.taken, {}), details = std::move(details),
                     names = std::move(names)]() mutable {
            details.set_value(table.rows.isEmpty() ? indexDetailsNow(indexTableNow())
                                                   : indexDetailsNow(table));
            names.set_value(nameTableNow());
        });
}

bool lookupListsRead()
{
    const ReadAhead &lists = readAhead();
    return isReady(lists.details) && isReady(lists.names);
}

IndexTable readIndexTable()
{
    ReadAhead &lists = readAhead();
    if (!lists.index.valid())
        return indexTableNow();
    lists.taken = lists.index.get();
    return lists.taken;
}

IndexDetails readIndexDetails(const IndexTable &table)
{
    std::future<IndexDetails> &ahead = readAhead().details;
    if (ahead.valid()) {
        IndexDetails details = ahead.get();
        // Read ahead for the same embedded list, so for any table of it.
        if (details.rows.size() == table.rows.size())
            return details;
    }
    return indexDetailsNow(table);
}

QHash<QString, EntryVersion> readEntryVersions(const QSet<QString> &targets)
{
    QHash<QString, EntryVersion> versions;
    if (targets.isEmpty())
        return versions;
    readEmbeddedLines(docnames::entryList, [&](QByteArrayView line) {
        QByteArrayView target;
        EntryVersion version;
        if (readEntryVersion(line, &target, &version)) {
            const QString name = QString::fromUtf8(target);
            if (targets.contains(name) && !versions.contains(name))
                versions.insert(name, version);
        }
        return versions.size() < targets.size();
    });
    return versions;
}

IndexTable readFullIndexTable()
{
    IndexTable table = readIndexTable();
    table.setDetails(readIndexDetails(table));
    return table;
}

const NameTable &readNameTable()
{
    static const NameTable names = [] {
        std::future<NameTable> &ahead = readAhead().names;
        return ahead.valid() ? ahead.get() : nameTableNow();
    }();
    return names;
}

ContentsTable readContentsTable()
{
    std::future<ContentsTable> &ahead = readAhead().contents;
    return ahead.valid() ? ahead.get() : contentsTableNow();
}

} // namespace tarn
