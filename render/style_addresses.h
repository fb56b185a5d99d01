#pragma once
// The addresses a style sheet names, found and replaced without parsing the sheet:
// "url(...)" (quoted or not) and the string form of "@import". Comments and other
// strings are passed over, so "content: 'url(x)'" is left alone. A rewritten
// address is always written quoted, url("..."), with the characters that would end
// it percent-encoded; everything else keeps its bytes.
//
// The translated copy of a page lives in the cache folder, not beside the page: a
// relative address in its style would be taken against the wrong folder, so the
// translator writes each one out as the absolute file address it names.
#include <QByteArray>
#include <QByteArrayView>
#include <functional>

namespace zv {

// The address to write instead of `address` (as written between the quotes or
// parentheses); an empty answer keeps the address as written.
using StyleAddressResolver = std::function<QByteArray(QByteArrayView address)>;

// `css` with each address replaced as `resolve` answers; `changed` tells whether
// anything was replaced.
QByteArray rewriteStyleAddresses(QByteArrayView css, const StyleAddressResolver& resolve, bool* changed = nullptr);

// Whether `css` may hold an address at all ("url(" or "@import" in any letter case):
// a quick test before the rewrite.
bool mayHoldStyleAddresses(QByteArrayView css);

} // namespace zv
