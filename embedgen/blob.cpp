// Velmora: the compressed-entry form of every embedded blob.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embedgen.h"

#include <QtEndian>

#include <zlib.h>

namespace tarn::embed {

QByteArray compressBlob(const QByteArray &bytes)
{
    // Same bytes as qCompress(bytes, 6), which returns only the four zero
    // bytes for empty input; an empty page gets a complete stream instead.
    if (quint64(bytes.size()) > 0xffffffffu)
        return QByteArray(); // the length header has 32 bits
    const uLong sourceLength = uLong(bytes.size());
    uLongf streamLength = compressBound(sourceLength);
    QByteArray blob(qsizetype(4 + streamLength), Qt::Uninitialized);
    qToBigEndian(quint32(sourceLength), blob.data());
    const int rc = compress2(reinterpret_cast<Bytef *>(blob.data() + 4), &streamLength,
                             reinterpret_cast<const Bytef *>(bytes.constData()), sourceLength, 6);
    if (rc != Z_OK)
        return QByteArray();
    blob.truncate(qsizetype(4 + streamLength));
    return blob;
}

} // namespace tarn::embed
