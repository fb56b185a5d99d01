#pragma once
// The character encoding a document declares for itself, and its text decoded as
// the view reads it.
//
// Pages are read as UTF-8 when their bytes are valid UTF-8 and as Windows-1252
// otherwise, as everywhere in the program. A page that declares another encoding
// (Shift_JIS, EUC-JP, GBK, Big5, KOI8-R, windows-1251, ...) in a META element is
// read in that encoding instead, as a browser reads it, when its bytes are not
// valid UTF-8 (a page declaring a legacy encoding that is in fact UTF-8 reads as
// UTF-8); the seven-bit ISO-2022 encodings, whose bytes are always valid UTF-8,
// are honoured whenever the text holds their escape sequences.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zv {

// The encoding named by the first META element of `head` that declares one
// (charset="X", or http-equiv Content-Type with content "...; charset=X"), looked
// for in the first 1024 bytes as browsers look; empty when there is none.
QByteArray declaredCharset(QByteArrayView head);

// `bytes` decoded by the rules above for a document declaring `charset`.
QString decodeDeclared(QByteArrayView bytes, QByteArrayView charset);
// Whether those rules read `bytes` as UTF-8 as they are (nothing to convert).
bool readsAsUtf8(QByteArrayView bytes, QByteArrayView charset);

} // namespace zv
