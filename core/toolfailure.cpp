// Velmora: how the build-time tools report a failure.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "toolfailure.h"

namespace tarn {

QString ToolFailure::message(const QString &tool) const
{
    return tool + QLatin1String(": ") + file + QLatin1String(": ") + problem;
}

void fail(const QString &file, const QString &problem)
{
    throw ToolFailure{file, problem};
}

} // namespace tarn
