// Velmora: shared records of the documentation embedder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

#include <functional>

// Every function below that can fail throws tarn::ToolFailure naming the
// file; velmora-embedgen prints it and stops with no output left behind.
namespace tarn::embed {

// What the folder holds, classified and ordered as the tables want it.
struct DocFolder
{
    QString root;
    // File-table order: pages by name bytes, index.lst, contents.lst; then
    // the lists of the lookup table (entries.lst, names.lst), where present.
    QStringList pages;
    QStringList images; // image-table order: documentation images by name, then ours
    QByteArray version; // one line from version.txt, or empty
};

// One table entry once compressed.
struct FileBlob
{
    QByteArray name;
    QByteArray blob;      // qCompress form: big-endian length + zlib stream
    quint64 inflated = 0; // bytes before compression
};

struct ImageBlob
{
    QByteArray name;
    int width = 0;
    int height = 0;
    int depth = 0;
    QList<QRgb> colorTable;
    bool alpha = false;
    QByteArray blob;
    quint64 inflated = 0;
};

// blob.cpp
// Compresses at zlib level 6 into the qCompress form. Unlike qCompress it
// also writes a real zlib stream for empty input, so every blob has one shape.
QByteArray compressBlob(const QByteArray &bytes);

// folderscan.cpp
void scanFolder(const QString &root, DocFolder *folder);
// Program images in the fixed order they take at the end of the image table.
const QStringList &programImageOrder();

// imageencoder.cpp
// Decodes one image file into the table's pixel layout and compresses it.
// A decoder warning (a truncated or damaged file that still gave some
// pixels) fails the image too, with the warning in the problem.
void encodeImage(const QString &path, ImageBlob *out);
// Routes the image decoders' warnings to the image being encoded on the same
// thread, so they end up in its one-line error instead of loose on stderr.
void installDecoderMessageCapture();

// tablewriter.cpp
// Writes every output under a temporary name and renames them all only when
// all were written; on failure nothing (not even an earlier run's table) stays.
// `frozenIndex` is the folder's index as IndexTable::frozen() gives it, and
// `frozenContents` its classes as ContentsTable::frozen() does, placed in
// the program as they are; empty, the program parses the list at start.
void writeTables(const QString &outDir, const QList<FileBlob> &files,
                 const QList<ImageBlob> &images, const QByteArray &version,
                 const QByteArray &frozenIndex = QByteArray(),
                 const QByteArray &frozenContents = QByteArray());
// Deletes the outputs and any temporaries of an interrupted run.
void removeTables(const QString &outDir);

// parallel.cpp
// Runs job(i) for i in [0, count) on a few threads; rethrows the failure of
// the first failing index in index order, so the message does not depend on
// scheduling.
void runParallel(int count, const std::function<void(int)> &job);
// Reads one page file into its table entry.
void readPage(const QString &path, FileBlob *out);
// index.lst of the folder, parsed now and frozen for the program.
QByteArray freezeIndex(const QString &path);
// The classes of contents.lst, the same way.
QByteArray freezeContents(const QString &path);

} // namespace tarn::embed
