#pragma once
// Numbers typed by the user are read the way the C function atoi reads them:
// leading white space, one optional sign, then decimal digits up to the first other
// character; 0 when there are none. Nothing is ever rejected. Values past the 32-bit
// range saturate instead of overflowing.
#include <QString>

namespace zv {

int parseLenientInt(const QString& text);

} // namespace zv
