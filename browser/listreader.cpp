// Velmora: reading the embedded list files, beside the building of the window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listreader.h"

#include "docnames.h"
#include "embeddedfiles.h"
#include "freshmemory.h"

#include <QByteArray>
#include <QStringDecoder>

#include <future>
#include <thread>

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

IndexTable indexTableNow()
{
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

ContentsTable contentsTableNow()
{
    return ContentsTable::fromUtf8(readEmbeddedFile(docnames::contentsList));
}

// Lists being read ahead, by one thread: the window's own thread needs the
// other core, and a second reader only takes time from it. Each list is
// taken once; the thread is waited for before the program's data goes.
struct ReadAhead
{
    ~ReadAhead()
    {
        if (reader.joinable())
            reader.join();
    }

    std::future<IndexTable> index;
    std::future<ContentsTable> contents;
    std::future<IndexDetails> details;
    std::future<NameTable> names;
    std::thread reader;
};

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
    // The index first: the window fills it first. What the lookup knows
    // beyond the lists comes after both, while the window is shown: no
    // reader needs it before they type.
    std::promise<IndexTable> index;
    std::promise<ContentsTable> contents;
    std::promise<IndexDetails> details;
    std::promise<NameTable> names;
    lists.index = index.get_future();
    lists.contents = contents.get_future();
    lists.details = details.get_future();
    lists.names = names.get_future();
    lists.reader = std::thread([index = std::move(index), contents = std::move(contents),
                                details = std::move(details), names = std::move(names)]() mutable {
        IndexTable table = indexTableNow();
        // The window's copy shares this one's data; both only read it.
        const IndexTable own = table;
        index.set_value(std::move(table));
        contents.set_value(contentsTableNow());
        details.set_value(indexDetailsNow(own));
        names.set_value(nameTableNow());
    });
}

IndexTable readIndexTable()
{
    std::future<IndexTable> &ahead = readAhead().index;
    return ahead.valid() ? ahead.get() : indexTableNow();
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
