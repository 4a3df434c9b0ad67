// Velmora: shared records of the documentation embedder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

#include <functional>

// A problem with one input (or output) path; the tool prints
// "velmora-embedgen: <path>: <problem>" and stops.
struct EmbedError
{
    QString path;
    QString problem;

    bool isSet() const { return !problem.isEmpty(); }
};

// What the folder holds, classified and ordered as the tables want it.
struct DocFolder
{
    QString root;
    QStringList pages;  // file-table order: pages by name bytes, index.lst, contents.lst
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
bool scanFolder(const QString &root, DocFolder *folder, EmbedError *error);
// Program images in the fixed order they take at the end of the image table.
const QStringList &programImageOrder();

// imageencoder.cpp
// Decodes one image file into the table's pixel layout and compresses it.
// A decoder warning (a truncated or damaged file that still gave some
// pixels) fails the image too, with the warning in the problem.
bool encodeImage(const QString &path, ImageBlob *out, EmbedError *error);
// Routes the image decoders' warnings to the image being encoded on the same
// thread, so they end up in its one-line error instead of loose on stderr.
void installDecoderMessageCapture();

// tablewriter.cpp
// Writes every output under a temporary name and renames them all only when
// all were written; on failure nothing (not even an earlier run's table) stays.
bool writeTables(const QString &outDir, const QList<FileBlob> &files,
                 const QList<ImageBlob> &images, const QByteArray &version, EmbedError *error);
// Deletes the outputs and any temporaries of an interrupted run.
void removeTables(const QString &outDir);

// main.cpp
// Runs job(i) for i in [0, count) on a few threads; returns the first failing
// index's error in index order, so the message does not depend on scheduling.
bool runParallel(int count, const std::function<bool(int, EmbedError *)> &job, EmbedError *error);
