// Velmora: memory about to be written in bulk.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace tarn {

// Has the system back the whole pages inside [data, data + bytes) with
// memory at once, in one call, instead of one fault for every page on its
// first write. Worth it for a buffer of megabytes that is filled straight
// away: a fault costs far more than the page it brings, and most of all in
// a virtual machine. The bytes themselves are left as they are. Does nothing
// where the system cannot do it.
void populateForWriting(void *data, qsizetype bytes);

// Reads one byte of every page in [data, data + bytes): where a virtual
// machine's host backs guest memory only on its first touch, populating is
// not enough, and this takes the host's faults now rather than at the next
// write. Changes nothing.
void touchPages(const void *data, qsizetype bytes);

// `bytes` decoded by `decoder` into a text whose memory is populated first;
// the decoder's error state afterwards is as after decode().
QString decodePopulated(QStringDecoder &decoder, QByteArrayView bytes);

} // namespace tarn
