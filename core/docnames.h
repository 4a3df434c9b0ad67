// Velmora: the names and name rules of the assembled documentation folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringView>

// The import tool writes the folder, the embedder turns it into tables, the
// window looks entries up by these names: all three take them from here.
namespace tarn::docnames {

inline constexpr char indexList[] = "index.lst";
inline constexpr char contentsList[] = "contents.lst";
// What the lookup knows beyond the two lists; a folder may lack them.
inline constexpr char entryList[] = "entries.lst";
inline constexpr char nameList[] = "names.lst";
// One line: the version of the imported reference.
inline constexpr char versionFile[] = "version.txt";
// The one style sheet every page links, served from the file table.
inline constexpr char styleSheet[] = "offline.css";
// Served in its place while the window shows pages dark.
inline constexpr char darkStyleSheet[] = "offline-dark.css";
inline constexpr char startPage[] = "index.html";

enum class FileKind {
    Page,     // .html or .css: the file table
    Image,    // .png, .gif, .jpg, .jpeg: the image table
    Reserved, // the lists and the version file
    Unknown,
};

// What a bare file name is, by its reserved name or its suffix.
FileKind fileKind(QStringView name);
bool isReserved(QStringView name);

// Page names use only a-z 0-9 . _ - (the table is searched by exact bytes
// and pages link each other by these names) and end in .html or .css.
bool isValidPageName(QStringView name);
// Image names may also use capitals: A-Z a-z 0-9 . _ -
bool isValidImageName(QStringView name);

// The image drawn at twice the size for screens of two device pixels a
// pixel: "Back.png" -> "Back-2x.png".
QString doubleSizeName(QStringView name);

// The rules above as a reader would put them, for error messages.
QString pageNameRule();
QString imageNameRule();

} // namespace tarn::docnames
