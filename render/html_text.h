#pragma once
// Turning document bytes into text for display: UTF-8 when the bytes are valid
// UTF-8, Windows-1252 otherwise (the code page old pages were written in).
#include <QByteArrayView>
#include <QString>

#include <string_view>

namespace zv {

QString decodeHtmlBytes(QByteArrayView bytes);

// The character of the UTF-8 sequence at `at` in `text`, moving `at` past it; a
// byte that begins no valid sequence stands for itself. For the engine's text,
// which is UTF-8, without converting whole strings.
char32_t nextCodePoint(std::string_view text, size_t& at);

} // namespace zv
