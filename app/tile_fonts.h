#pragma once
// "Scale Text" on a tile: gives a tile's view the fonts scaled by the factor.
namespace zv {

class THTML;

void applyScaledTileFonts(THTML* view, int scalingFactor);

} // namespace zv
