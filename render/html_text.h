#pragma once
// Turning document bytes into text for display: UTF-8 when the bytes are valid
// UTF-8, Windows-1252 otherwise (the code page old pages were written in).
#include <QByteArrayView>
#include <QString>

namespace zv {

QString decodeHtmlBytes(QByteArrayView bytes);

} // namespace zv
