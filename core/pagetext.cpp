// Velmora: page bytes turned into text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagetext.h"

#include "freshmemory.h"

#include <QStringDecoder>

namespace tarn {

// The toolkit's own guess falls back to UTF-8, which would garble the Latin-1
// letters of an undeclared page, so look for a byte order mark or a charset
// in a meta element first.
QString decodePageText(const QByteArray &bytes, QString *problem)
{
    const QByteArray head = bytes.left(1024).toLower();
    const qsizetype meta = head.indexOf("<meta");
    const bool declared = QStringConverter::encodingForData(bytes).has_value()
        || (meta >= 0 && head.indexOf("charset=", meta) >= 0);
    if (!declared)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    QString text = decodePopulated(decoder, bytes);
    if (problem && decoder.hasError()) {
        *problem =
            QStringLiteral("bytes that are not valid %1").arg(QString::fromLatin1(decoder.name()));
        return QString();
    }
    return text;
}

QString pageTitle(QStringView html)
{
    // The title sits in the head: a page's first few kilobytes.
    const QStringView head = html.left(16 * 1024);
    const qsizetype open = head.indexOf(u"<title", 0, Qt::CaseInsensitive);
    if (open < 0)
        return QString();
    const qsizetype start = head.indexOf(u'>', open);
    const qsizetype end = head.indexOf(u"</title", start, Qt::CaseInsensitive);
    if (start < 0 || end < 0)
        return QString();
    const QStringView raw = head.mid(start + 1, end - start - 1);
    QString title;
    title.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const qsizetype semicolon = raw[i] == u'&' ? raw.indexOf(u';', i) : -1;
        if (semicolon < 0 || semicolon - i > 10) {
            title += raw[i];
            continue;
        }
        const QStringView entity = raw.mid(i + 1, semicolon - i - 1);
        static const struct
        {
            const char16_t *name;
            char16_t character;
        } named[] = {{u"amp", u'&'},  {u"lt", u'<'},    {u"gt", u'>'},
                     {u"quot", u'"'}, {u"apos", u'\''}, {u"nbsp", u' '}};
        char32_t character = 0;
        for (const auto &known : named) {
            if (entity == QStringView(known.name))
                character = known.character;
        }
        if (!character && entity.startsWith(u'#')) {
            bool ok = false;
            const bool hex = entity.size() > 1 && (entity[1] == u'x' || entity[1] == u'X');
            const uint code = entity.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            if (ok && code > 0 && code <= 0x10ffff && !QChar::isSurrogate(code))
                character = code;
        }
        if (!character) {
            title += raw[i];
            continue;
        }
        title += QString::fromUcs4(&character, 1);
        i = semicolon;
    }
    return title.simplified();
}

} // namespace tarn
