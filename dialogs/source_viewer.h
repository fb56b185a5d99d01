#pragma once
// "Document Source": shows the markup of a document or of a thumbnail in an editable
// text box that fills the window. It always opens maximized and at the top of the
// text; nothing typed into it is saved.
#include <QDialog>

class QPlainTextEdit;

namespace zv {

class TFormHTSrc : public QDialog {
    Q_OBJECT
public:
    explicit TFormHTSrc(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;

    // Fills the viewer from a document file (UTF-8 when valid, Windows-1252
    // otherwise), captioned with its path, caret at the start. A file that cannot be
    // read leaves the viewer as it was and answers false with the reason in `error`.
    bool loadFile(const QString& path, QString* error = nullptr);
    // Fills the viewer with `text` under `caption`, caret at the start.
    void setSource(const QString& caption, const QString& text);

    // The source-view commands: fill, then show modally. A file that cannot be read
    // is reported in a plain message naming it and the reason, and the viewer is
    // not shown (answers false).
    bool ShowDocumentSource(const QString& path);
    void ShowSourceText(const QString& caption, const QString& text);

    void setVisible(bool visible) override;
};

} // namespace zv
