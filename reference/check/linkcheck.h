// Velmora: a check of an assembled documentation folder for links and list targets that go nowhere.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringList>

namespace linkcheck {

// One kind of dead end: how many, and the first few as "page: target".
struct Finding
{
    int count = 0;
    QStringList examples;

    void add(const QString &where, const QString &target);
};

struct Report
{
    int pages = 0;
    int images = 0;
    int links = 0;         // href and src values inside the folder
    int externalLinks = 0; // http:, https:, mailto: and the like
    int listTargets = 0;
    Finding missingPage;       // a link to a page not in the folder
    Finding missingAnchor;     // a link to a page that has no such anchor
    Finding missingImage;      // an <img> whose file is not in the folder
    Finding listMissingPage;   // a contents.lst or index.lst target without its page
    Finding listMissingAnchor; // ... or without its anchor
    Finding unlinkedQtdoc;     // a link still pointing at a module folder ("../qtdoc/")
};

// Reads every page, image and list of `folder`. Anchors are the id and name
// attributes of a page; a link to "#top" or to an empty fragment needs none.
// With `linksOf`, only the links of those pages are checked.
Report checkFolder(const QString &folder, const QStringList &linksOf = {});

// The figures, one a line, with the examples of each kind of dead end.
QString describe(const Report &report, int examplesPerKind);

} // namespace linkcheck
