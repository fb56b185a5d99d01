#pragma once
// The per-file text test of the Find command and of text-filtered source walks.
//
// A document is read as plain text lines, markup included. Lines end at CR, at LF
// or at a CR LF pair (one break); the break is not part of the line. A NUL byte
// ends the text: nothing after it is searched or counted. The bytes are decoded as
// UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise. Unless `matchCase`
// is set, the text and each line are compared in the system locale's upper case
// (every letter, not only ASCII). The text matches when it occurs within one line;
// an empty text matches nothing.
//
// Progress goes to `currentProgress` (may be null): Start("Searching line #",
// lines / 128), one Step(line, lines) per line up to the matching one, Finish(0),
// as the display shows them: Steps it cannot show are put off and lines counted
// only when needed (ProgBar::quietNow). A Step that answers false (the user
// cancelled) makes the answer false.
#include <QByteArrayView>
#include <QLocale>
#include <QString>

namespace zv {

class ProgBar;

// Whether `text` occurs in the document at `path`. Throws std::runtime_error naming
// the file and the reason when the document cannot be opened or read.
bool FileContainsText(const QString& path, const QString& text, bool matchCase,
                      ProgBar* currentProgress);

// The same test on a document's bytes already in memory, with the upper case of
// the given locale.
bool ContentContainsText(QByteArrayView content, const QString& text, bool matchCase,
                         ProgBar* currentProgress, const QLocale& locale = QLocale::system());

} // namespace zv
