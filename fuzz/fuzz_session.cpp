// Velmora: fuzz target for the session and the window's other keys as the
// settings store reads them back: whatever the file holds, the window gets
// tabs it can show.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagename.h"
#include "savedstate.h"
#include "session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

bool hasPage(const QString &page)
{
    static const QStringList pages = {QStringLiteral("index.html"), QStringLiteral("qobject.html"),
                                      QStringLiteral("qstring.html"), QStringLiteral("a.html")};
    return pages.contains(page);
}

} // namespace

// A stored value carries its own lengths, and the settings store's data
// stream reserves room for what a length promises before it reads a byte. A
// forged length asks for gigabytes: the browser's allocator hands out address
// space it never touches, or returns null, and the store copes with both
// (checked by hand with the inputs in the corpus). Under the sanitizer the
// same request costs real memory for its shadow, so a request no settings
// value comes near returns null here, as the worst case outside would.
extern "C" const char *__asan_default_options()
{
    return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

// Input: the store file as it lies on disk, INI text or any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A file of its own per input: the settings cache knows files by name.
    // In memory where there is such a folder: the store syncs every file it
    // writes to the disk.
    static const QString folder =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static quint64 run = 0;
    const QString path = folder
        + QStringLiteral("/velmora-fuzz-session-%1-%2.conf")
              .arg(QCoreApplication::applicationPid())
              .arg(run++);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    {
        QSettings settings(path, QSettings::IniFormat);
        tarn::SavedState::read(settings);
        const tarn::Session session = tarn::Session::read(settings, hasPage);
        if (session.tabs.size() > tarn::Session::maxTabs)
            std::abort();
        if (!session.tabs.isEmpty()
            && (session.current < 0 || session.current >= session.tabs.size()))
            std::abort();
        for (const tarn::SessionTab &tab : session.tabs) {
            if (tarn::isWebLink(tab.name) || !hasPage(tarn::splitPageName(tab.name).page)
                || tab.scroll < 0 || tab.scroll > tarn::Session::maxScroll
                || tab.title.size() > tarn::Session::maxTitleLength)
                std::abort();
        }
        // What was read is written and read back the same.
        QSettings copy(path + QStringLiteral(".copy"), QSettings::IniFormat);
        session.write(copy);
        copy.sync();
        const tarn::Session again = tarn::Session::read(copy, hasPage);
        if (again.tabs != session.tabs
            || (!session.tabs.isEmpty() && again.current != session.current))
            std::abort();
    }
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".copy"));
    return 0;
}
