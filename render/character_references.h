#pragma once
// Character references in attribute values, decoded the way a browser decodes them
// before it uses a value as an address: named references of HTML 4 ("&amp;",
// "&eacute;", "&apos;"), decimal ("&#38;") and hexadecimal ("&#x26;") ones. As in a
// browser, the semicolon may be left out of a numeric reference and of the old
// Latin-1 names, except where the name runs on into a letter, a digit or "=" (so
// "?a=1&copy=2" keeps its "&copy"). Anything that is no reference stays as written.
#include <QString>
#include <QStringView>

namespace zv {

QString decodeCharacterReferences(QStringView value);

} // namespace zv
