// Velmora: what the lookup needs beyond index.lst: details of every entry, and names it lacks.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "classlists.h"

#include <QByteArray>
#include <QVector>

namespace tarn::import {

// A member's parameter list as the index row shows it, "(qsizetype i) const":
// the signature shown less the member's name. Empty for what is no function.
QString memberParameters(const MemberEntry &member);

// For every entry of `classes`, its place among the entries of the same
// member name: first the classes that declare the member (none of their
// bases has a member of that name), those most classes derive from first;
// then the others, bases before the classes derived from them. Overloads of
// one class keep the order of the reference. Indexed [class][member].
QVector<QVector<int>> sameNamePlaces(const QVector<ClassEntry> &classes,
                                     const ClassCatalog &catalog);

// entries.lst: a line for each line of indexList(classes), in its order.
QByteArray entryList(const QVector<ClassEntry> &classes, const ClassCatalog &catalog);

// names.lst: by name in any case, then the names of pages that document
// more of the API first; CR LF endings.
QByteArray nameList(const QVector<ApiName> &names, const QVector<ClassEntry> &classes);

} // namespace tarn::import
