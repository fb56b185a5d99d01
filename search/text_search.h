#pragma once
// The Find command: asks for a text in the Find dialog, gathers the documents of the
// chosen target (the tiles shown, the Location folder, or a source chosen with
// "<<"), tests each for the text line by line, and applies the display method to
// the documents that contain it: select or unselect their tiles, or rebuild the grid
// with only them. A cancel during the per-file loop ends the loop; what was found
// until then is acted on.
#include <QString>
#include <QStringList>

namespace zv {

class FindHost;
class TfrmFindText;

class TextSearch {
public:
    TextSearch(FindHost* host, TfrmFindText* dialog);

    // Runs the whole command. A document that cannot be read ends it with a
    // std::runtime_error naming the file; the display method is then not applied.
    // Does nothing while a Find is already running.
    void RunFind();

    bool running() const { return m_running; }

    // The text of the last Find; empty at start, kept when a Find commits no text.
    QString LastSearchText;
    // The matching documents the grid was last rebuilt from.
    QStringList ShowOnlyList;

private:
    FindHost* m_host;
    TfrmFindText* m_dialog;
    bool m_running = false;
};

} // namespace zv
