#pragma once
// The zoomed view: one tile's document at full size. A hidden TRNail translates the
// document at scaling factor 1 (links, frames and meta data removed, pictures
// resolved, the cut-off applied), the result is written to "ZoomTemp.htm" in the
// cache folder, and a visible TransGui view lays that file out.
#include "render/render_context.h"

#include <QDialog>
#include <QStatusBar>
#include <functional>

namespace zv {

class TFormModal;
class TransGui;
class TRNail;

class THtmlZoomed : public QDialog {
    Q_OBJECT
public:
    // `cutOffText` answers the preferences' cut-off text each time it is needed, so
    // a changed preference applies at the next zoom.
    THtmlZoomed(RenderContext context, std::function<QString()> cutOffText, TFormModal* waitWindow,
                QWidget* parent = nullptr);

    // The whole zoom: the wait window while the document is translated, then this
    // window maximized and modal.
    void Zoom(const QString& documentPath);
    // Translates the document into "ZoomTemp.htm" and has the view lay it out. A
    // document that cannot be loaded leaves the view empty.
    void ShowDocument(const QString& documentPath);

    // The reporter both the translation and the view's reading of it are shown on
    // (the main window's current-document reporter, which exists from the main
    // window's first showing on).
    void setProgress(ProgBar* progress);

    QString zoomFile() const;
    TRNail* translator() const { return m_translator; }
    TransGui* view() const { return m_view; }
    QStatusBar* StatusBar1 = nullptr;

private:
    RenderContext m_context;
    std::function<QString()> m_cutOffText;
    TFormModal* m_wait;
    TRNail* m_translator;
    TransGui* m_view;
};

} // namespace zv
