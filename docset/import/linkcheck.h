// Velmora: a check of an assembled folder: every link and list target leads somewhere.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringList>

namespace tarn::import {

// Each problem is one line naming where it is and what it names.
struct FolderCheck
{
    int pages = 0;
    int images = 0;
    int links = 0;                  // links within the folder that were followed
    int externalLinks = 0;          // http:, https:, mailto: and the like, not followed
    int listTargets = 0;            // member and class targets of contents.lst and index.lst
    QStringList missingPages;       // a link to a file the folder lacks
    QStringList missingImages;      // an image (src) the folder lacks
    QStringList folderLinks;        // a link still into a module folder ("../qtdoc/x.html")
    QStringList missingAnchors;     // a link to an anchor its page lacks
    QStringList listMissingPages;   // a list target whose page the folder lacks
    QStringList listMissingAnchors; // a list target whose anchor its page lacks
    QStringList listSharedAnchors;  // a list target whose anchor several elements carry
    QStringList spacedMemberNames;  // a member name with a blank inside its parentheses
};

// Reads every page and both lists of `folder`. Links with a scheme
// ("https:", "mailto:") are not followed. With `linksOf`, only the links of
// those pages are checked (the lists still are).
FolderCheck checkFolder(const QString &folder, const QStringList &linksOf = {});

// The figures, one a line, with up to `examples` problems of each kind.
QString describe(const FolderCheck &check, int examples);

} // namespace tarn::import
