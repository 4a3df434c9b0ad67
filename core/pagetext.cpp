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

} // namespace tarn
