// Velmora: how the build-time tools report a failure.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>

namespace tarn {

// A problem with one file of a tool's input or output. The tool stops at the
// first one, leaves no output behind, prints "<tool>: <file>: <problem>" and
// exits with status 1.
// Inside a tool the failure is thrown and caught once, in its main.
struct ToolFailure
{
    QString file;
    QString problem;

    QString message(const QString &tool) const;
};

[[noreturn]] void fail(const QString &file, const QString &problem);

} // namespace tarn
