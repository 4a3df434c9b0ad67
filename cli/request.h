// Velmora: a request from a second start to the window open already.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tarn::cli {

// What a second start asks of the window open already.
struct Request
{
    QString name;   // what to look up; may be empty
    QString search; // words for the full-text search; may be empty
    // Shows the full-text search even with no words: the field emptied,
    // the cursor in it. Words to search imply it.
    bool openSearch = false;
    bool newTab = false; // the name in a tab of its own
};

// The request as sent: a versioned header line, one line a field, an empty
// line at the end, all UTF-8:
//   velmora-request 1\n name QString::arg\n search implicitly shared\n tab new\n \n
// A field left out is empty; "tab" has the one value "new". A "search" line
// without words asks for the search with an empty field.
inline constexpr char requestHeader[] = "velmora-request 1";
// A request longer than this is refused: none needs more.
inline constexpr int maxRequestBytes = 64 * 1024;

QByteArray encodeRequest(const Request &request);

// Whether `bytes` holds a whole request yet (its closing empty line), or is
// already too long to be one.
bool isRequestComplete(const QByteArray &bytes);

// The request in `bytes`, or nullopt with the reason in *problem: too long,
// not UTF-8, another version, a field this version does not know, a field
// twice, or a link where a name belongs.
std::optional<Request> decodeRequest(const QByteArray &bytes, QString *problem);

} // namespace tarn::cli
