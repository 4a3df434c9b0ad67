// Velmora: names as developers type them, "QString::arg", matched to index entries.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace tarn {

// A class and (the start of) the name of one of its members.
struct QualifiedName
{
    QString className;
    QString member; // may be empty: every member of the class
};

// "QString::arg" and "QString arg" name the member arg of QString; the class
// is everything before the last "::". Any other text (one word, an entry as
// the index shows it, "arg (QString)") names no member and gives nullopt.
std::optional<QualifiedName> qualifiedName(QStringView text);

// Whether an index entry's name, "arg (QString)", is a member of the class
// whose name starts with the member part; both compared in any case.
bool isMemberEntryOf(QStringView entryName, const QualifiedName &name);

} // namespace tarn
