#pragma once
// Text of a document file as the program shows and searches it: UTF-8 when the
// bytes are valid UTF-8 (a byte order mark is dropped), Windows-1252 otherwise.
#include <QByteArray>
#include <QString>

namespace zv {

QString decodeDocumentText(const QByteArray& bytes);
// The same, with CR LF and lone CR line ends turned into LF.
QString decodeDocumentLines(const QByteArray& bytes);

} // namespace zv
