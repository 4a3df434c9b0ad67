// Velmora: fuzz target for what the desktop's search may send on the session bus.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "busterms.h"
#include "commandline.h"
#include "lookupservice.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace tarn;
using namespace tarn::desktop;

namespace {

// A few entries of each kind the lookup tells apart: classes, members that
// share a name and a target, a namespace's members, a page with no entry.
const char indexText[] = "QString===qstring.html===C\n"
                         "QStringList===qstringlist.html===C\n"
                         "QTimer===qtimer.html===O\n"
                         "Qt===qt.html===N\n"
                         "arg (QString)===qstring.html#arg===+f\n"
                         "arg (QString)===qstring.html#arg-1===+f\n"
                         "isSingleShot (QTimer)===qtimer.html#singleShot-prop===+f\n"
                         "singleShot (QTimer)===qtimer.html#singleShot===+F\n"
                         "AlignLeft (Qt)===qt.html#AlignmentFlag-enum===+e\n";

const char page[] = "<html><head><title>QString Class | Qt Core 6.4.2</title></head><body>\n"
                    "<h1 class=\"title\">QString Class</h1>\n"
                    "<p>The QString class provides a Unicode character string.</p>\n"
                    "<h3 class=\"fn\" id=\"arg\">QString QString::arg(int <i>a</i>)</h3>\n"
                    "<p>Returns a copy of this string.</p>\n</body></html>\n";

LookupService &service()
{
    static LookupService service(IndexTable::fromText(QString::fromLatin1(indexText)),
                                 [](const QString &) { return QString::fromLatin1(page); });
    return service;
}

// What the bus may hand over as text: UTF-8, which the bus checks but Qt
// would still decode, or any UTF-16 code units, lone surrogates and all.
QString decode(const char *data, qsizetype size, bool utf16)
{
    if (!utf16)
        return QString::fromUtf8(data, size);
    // Copied, not cast: the bytes need not be aligned for QChar.
    QString text(size / 2, Qt::Uninitialized);
    std::memcpy(text.data(), data, size_t(text.size()) * sizeof(QChar));
    return text;
}

// A list of strings, as GNOME Shell's terms and ids come, parted by NUL.
QStringList decodeList(const char *data, qsizetype size, bool utf16)
{
    QStringList list;
    const QString text = decode(data, size, utf16);
    for (const QStringView part : QStringView(text).split(QChar(0)))
        list.append(part.toString());
    return list;
}

void checkLookupText(const QStringList &terms)
{
    const std::optional<QString> text = lookupText(terms);
    if (!text) {
        // Refused terms look nothing up.
        if (!service().results(terms).isEmpty())
            std::abort();
        return;
    }
    // What is looked up is bounded, one line of simple text, and no link.
    if (text->isEmpty() || text->size() > maxQueryLength || *text != text->simplified()
        || !text->isValidUtf16() || cli::isLink(*text))
        std::abort();
    for (const QChar c : *text) {
        if (c.category() == QChar::Other_Control || c.isNonCharacter())
            std::abort();
    }
    // A text that fits one term reads back as itself.
    if (text->size() <= maxTermLength && lookupText({*text}) != text)
        std::abort();

    // At most a page of results, each issued, none twice, each a page of
    // the set.
    const QStringList ids = service().results(terms);
    if (ids.size() > LookupService::maxResults
        || QSet<QString>(ids.begin(), ids.end()).size() != ids.size())
        std::abort();
    const QList<DesktopResult> described = service().describe(ids);
    if (described.size() != ids.size())
        std::abort();
    for (qsizetype i = 0; i < described.size(); ++i) {
        const DesktopResult &result = described.at(i);
        if (result.id != ids.at(i) || cli::isLink(result.target) || result.target.isEmpty())
            std::abort();
    }
}

void checkQuery(const QString &query)
{
    const std::optional<QStringList> terms = queryTerms(query);
    if (!terms) {
        if (query.size() <= maxQueryLength)
            std::abort();
        return;
    }
    if (query.size() > maxQueryLength)
        std::abort();
    qsizetype length = 0;
    for (const QString &term : *terms) {
        if (term.isEmpty())
            std::abort();
        for (const QChar c : term) {
            if (c.isSpace())
                std::abort();
        }
        length += term.size();
    }
    if (length > query.size())
        std::abort();
    checkLookupText(*terms);
}

void checkIds(const QStringList &ids)
{
    for (const QString &id : ids) {
        const std::optional<int> row = parseResultId(id);
        if (row && (*row < 0 || formatResultId(*row) != id))
            std::abort();
    }
    // Whatever ids come, only ones issued stand for an entry.
    for (const DesktopResult &result : service().describe(ids)) {
        if (!ids.contains(result.id) || !service().issued(result.id))
            std::abort();
    }
}

} // namespace

// Input: one byte that says what the rest is, then the call's text. The
// byte's low two bits: 0 GNOME Shell's terms, 1 KRunner's query, 2 result
// ids; bit 2: the text is UTF-16 rather than UTF-8; bit 3: the ids issued
// so far are forgotten first, as KRunner's Teardown does.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const unsigned mode = data[0];
    const char *text = reinterpret_cast<const char *>(data + 1);
    const qsizetype length = qsizetype(size - 1);
    const bool utf16 = mode & 4;
    if (mode & 8)
        service().forgetIssued();
    switch (mode & 3) {
    case 0:
        checkLookupText(decodeList(text, length, utf16));
        break;
    case 1:
        checkQuery(decode(text, length, utf16));
        break;
    default:
        checkIds(decodeList(text, length, utf16));
        break;
    }
    return 0;
}
