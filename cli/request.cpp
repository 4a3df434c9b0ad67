// Velmora: a request from a second start to the window open already.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "request.h"

#include "commandline.h"

#include <QList>
#include <QStringDecoder>

namespace tarn::cli {

namespace {

std::optional<Request> refuse(QString *problem, const QString &why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

} // namespace

QByteArray encodeRequest(const Request &request)
{
    QByteArray out = QByteArray(requestHeader) + '\n';
    // A line end inside a value would start a field of its own.
    const auto field = [&out](const char *key, const QString &value) {
        out += key;
        if (const QByteArray text = value.simplified().toUtf8(); !text.isEmpty())
            out += ' ' + text;
        out += '\n';
    };
    if (!request.name.simplified().isEmpty())
        field("name", request.name);
    if (request.openSearch || !request.search.simplified().isEmpty())
        field("search", request.search);
    if (request.newTab)
        out += "tab new\n";
    return out + '\n';
}

bool isRequestComplete(const QByteArray &bytes)
{
    return bytes.size() > maxRequestBytes || bytes.contains("\n\n");
}

std::optional<Request> decodeRequest(const QByteArray &bytes, QString *problem)
{
    if (bytes.size() > maxRequestBytes)
        return refuse(problem, QStringLiteral("longer than %1 bytes").arg(maxRequestBytes));
    const qsizetype end = bytes.indexOf("\n\n");
    if (end < 0)
        return refuse(problem, QStringLiteral("no end"));
    if (end + 2 != bytes.size())
        return refuse(problem, QStringLiteral("bytes after the end"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes.left(end));
    if (utf8.hasError() || text.contains(QChar(0)))
        return refuse(problem, QStringLiteral("not UTF-8 text"));

    const QList<QStringView> lines = QStringView(text).split(u'\n');
    if (lines.value(0) != QLatin1String(requestHeader))
        return refuse(problem, QStringLiteral("not a request of this version"));
    Request request;
    bool haveName = false;
    bool haveSearch = false;
    bool haveTab = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringView line = lines.at(i);
        const qsizetype blank = line.indexOf(u' ');
        const QStringView key = blank < 0 ? line : line.left(blank);
        const QString value = blank < 0 ? QString() : line.mid(blank + 1).toString();
        bool *seen = nullptr;
        if (key == u"name") {
            seen = &haveName;
            request.name = value;
        } else if (key == u"search") {
            seen = &haveSearch;
            request.search = value;
        } else if (key == u"tab") {
            seen = &haveTab;
            if (value != QLatin1String("new"))
                return refuse(problem, QStringLiteral("tab \"%1\" is not \"new\"").arg(value));
            request.newTab = true;
        } else {
            return refuse(problem, QStringLiteral("unknown field \"%1\"").arg(key.toString()));
        }
        if (*seen)
            return refuse(problem, QStringLiteral("field \"%1\" twice").arg(key.toString()));
        *seen = true;
    }
    if (isLink(request.name) || isLink(request.search))
        return refuse(problem, QStringLiteral("a link, not documentation"));
    request.openSearch = haveSearch;
    return request;
}

} // namespace tarn::cli
