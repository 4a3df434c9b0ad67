// Velmora: fuzz target for the stored theme, as the settings store hands it back.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "savedstate.h"

#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const tarn::Theme theme = tarn::themeFromStored(QVariant(text));
    // Whatever was stored reads as one of the three, and the name written for
    // it reads back as the same one.
    if (theme != tarn::Theme::System && theme != tarn::Theme::Light && theme != tarn::Theme::Dark)
        std::abort();
    if (tarn::themeFromName(tarn::themeName(theme)) != theme)
        std::abort();
    if (theme != tarn::themeFromName(text))
        std::abort();
    // The store reads a value with commas as a list: that is damage.
    if (tarn::themeFromStored(QVariant(text.split(u','))) != tarn::Theme::System)
        std::abort();
    return 0;
}
