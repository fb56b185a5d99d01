#pragma once
// The top of one document drawn as the program shows it. The document is
// translated by the render view's rules at the scaling factor with the cut-off and
// the translated copy is written to a scratch folder; then a view of the given size
// lays that copy out and paints it:
// - at factor 1 the zoomed view's own (its translator and its view, the copy
//   written as "ZoomTemp.htm"),
// - at any other factor a tile's view (a tile whose view has that size, the copy
//   written as the grid writes a pre-built thumbnail, the tile fonts scaled by the
//   factor when "Scale Text" is asked for, or the page laid out at the factor times
//   the view's width and shrunk when "Miniature" is).
// Scroll bars are off: the picture is the top of the page at the view's width.
#include "render/render_context.h"

#include <QImage>
#include <QSize>
#include <QString>

namespace zv {

class PageRenderer {
public:
    struct Timing {
        double translateMs = 0; // reading and translating, writing the copy
        double layoutMs = 0; // the view reading and laying out the copy
        double paintMs = 0; // painting the laid-out page into the picture
    };

    // `context` gives the home folder, the cache table and "Scale Graphics"; its
    // cache folder is where the translated copy is written.
    PageRenderer(RenderContext context, QSize size);

    void setScalingFactor(int factor) { m_factor = factor < 1 ? 1 : factor; }
    void setCutOff(int bytes) { m_cutOff = bytes; }
    void setScaleText(bool on) { m_scaleText = on; }
    void setMiniature(bool on) { m_miniature = on; }

    // The picture of exactly the size given; a null picture when the document is
    // not a readable file (`*error` says why).
    QImage render(const QString& documentPath, QString* error);
    const Timing& timing() const { return m_timing; }

private:
    QImage renderZoomed(const QString& documentPath);
    QImage renderTile(const QString& documentPath);

    RenderContext m_context;
    QSize m_size;
    int m_factor = 1;
    int m_cutOff = 0;
    bool m_scaleText = false;
    bool m_miniature = false;
    Timing m_timing;
};

} // namespace zv
