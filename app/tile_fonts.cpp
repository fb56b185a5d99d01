#include "app/tile_fonts.h"

#include "app/tile_geometry.h"
#include "render/thtml.h"

namespace zv {

void applyScaledTileFonts(THTML* view, int scalingFactor)
{
    for (const TileFont& f : scaledTileFonts(scalingFactor)) {
        const QByteArray p(f.property);
        if (p == "FixedFont")
            view->setFixedFont(f.font);
        else if (p == "Font")
            view->setFont(f.font);
        else if (p == "Heading1Font")
            view->setHeading1Font(f.font);
        else if (p == "Heading2Font")
            view->setHeading2Font(f.font);
        else if (p == "Heading3Font")
            view->setHeading3Font(f.font);
        else if (p == "Heading4Font")
            view->setHeading4Font(f.font);
        else if (p == "Heading5Font")
            view->setHeading5Font(f.font);
        else if (p == "Heading6Font")
            view->setHeading6Font(f.font);
    }
}

} // namespace zv
