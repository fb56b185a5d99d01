#pragma once
// Deleting a document with confirmation and copying one under a new name. Each
// reports its own failure in one message box and answers false; neither throws.
#include <QString>

class QWidget;

namespace zv {

// With `askFirst`, asks "Are you sure you want to delete this file?" (the file name
// as the box's title, OK and Cancel); Cancel deletes nothing. A failed delete shows
// "Trouble Deleting file: " + name + " - " + reason. True when the file was deleted.
bool DeleteDocument(const QString& fileName, bool askFirst, QWidget* owner = nullptr);

// Copies `source` to `destination` (a relative destination is taken from the current
// folder), replacing a file there without asking. The copy is written under a
// temporary name in the destination's folder and renamed into place, so a failed
// copy never leaves a partial file or harms one that stood there (even when the
// destination is the source itself). On failure shows "Please give the destination
// filename" and answers false.
bool SaveDocumentAs(const QString& source, const QString& destination, QWidget* owner = nullptr);

// The text shown for a failed delete's system error.
QString deleteFailureReason(int error);

} // namespace zv
