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
    // The index first: the window fills it first.
    std::packaged_task<IndexTable()> index(indexTableNow);
    std::packaged_task<ContentsTable()> contents(contentsTableNow);
    lists.index = index.get_future();
    lists.contents = contents.get_future();
    lists.reader =
        std::thread([index = std::move(index), contents = std::move(contents)]() mutable {
            index();
            contents();
        });
}

IndexTable readIndexTable()
{
    std::future<IndexTable> &ahead = readAhead().index;
    return ahead.valid() ? ahead.get() : indexTableNow();
}

ContentsTable readContentsTable()
{
    std::future<ContentsTable> &ahead = readAhead().contents;
    return ahead.valid() ? ahead.get() : contentsTableNow();
}

} // namespace tarn
