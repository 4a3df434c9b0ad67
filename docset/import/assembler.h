// Velmora: the import run, from the installed reference to one flat folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "pagerewrite.h"

#include <QString>
#include <QStringList>

namespace tarn::import {

struct ImportOptions
{
    QString qtdoc; // folder of module folders, each with pages, images/, style/ and <module>.index
    QStringList own; // folders of our pages/*.html and images/*, merged in order
    QString out;     // the flat folder written
};

struct ImportReport
{
    int pages = 0; // imported and own, offline.css not counted
    int images = 0;
    int classes = 0;
    int classesByKind[3] = {0, 0, 0}; // C, O, W
    int members = 0;
    int indexLines = 0;
    int apiNames = 0; // enum values, macros and the rest that index.lst has no line for
    int membersWithoutPage = 0;
    qint64 bytes = 0;
    QString version;
    QStringList warnings;

    // List members whose anchor was missing: found under the real anchor,
    // pointed at the page's landing anchor, or left (the page has none).
    int targetsRepaired = 0;
    int targetsPointedAtPage = 0;
    int targetsMissing = 0;
    QStringList targetNotes; // a line for each target not repaired
    RewriteLog links;        // what the pages' links became
};

// Writes the folder next to `out` and moves it into place only when every
// step succeeded; a failure leaves neither a half-written folder nor an
// earlier import behind, so a build never goes on with stale pages.
// Throws tarn::ToolFailure naming the file that stopped it.
void runImport(const ImportOptions &options, ImportReport *report);

} // namespace tarn::import
