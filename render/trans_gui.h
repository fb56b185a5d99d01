#pragma once
// A translator that shows the progress of a translation on the reporter of the
// current document: "Reading byte #" with the bytes written so far. A cancel on the
// reporter does not stop the translation; only the cut-off and the load loop do.
#include "render/translator.h"

#include <QPointer>

namespace zv {

class TransGui : public Translator {
    Q_OBJECT
public:
    // Placed with its top edge at the bottom edge of the main window's "Panel1"
    // when the parent's window has one.
    explicit TransGui(QWidget* parent = nullptr, RenderContext context = {});

protected:
    void BeginRetrieval() override;
    void DoNewElement(HtmlElement& element) override;
    void EndRetrieval() override;

private:
    QPointer<ProgBar> m_progress;
};

} // namespace zv
