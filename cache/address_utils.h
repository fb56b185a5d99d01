#pragma once
// Cutting a document address into pieces, and the end of a text. Positions in the
// comments are 1-based, as the rules were first stated.
#include <QString>
#include <QStringList>

namespace zv {

// Scheme and host, up to and including the first "/" after the host. The "/" is
// looked for at positions 9 through length - 1 (position 9 is the first after a
// seven-character "http://" and a one-letter host; the last character is not
// examined); without one the whole address comes back. An address of fewer than 9
// characters shows "Error chopping URL: (" + address + ")" and comes back whole.
QString SiteOf(const QString& address);

// The last path segment: a trailing "/" is dropped once, then everything after the
// last "/" at position 2 or later; the whole (shortened) address when there is none.
QString LastSegmentOf(const QString& address);

// Appends site, middle and last segment of `address` to `list`, in that order, and
// answers true. Middle starts at the site's final character (its "/") and runs up to
// the last segment; it is empty when nothing lies between them.
bool SplitAddress(const QString& address, QStringList& list);

// The last `n` characters of `text`; the whole text when it is shorter; empty for
// n <= 0.
QString RightString(const QString& text, int n);

} // namespace zv
