// The icons a skin bitmap can carry (skin.txt's `icon NAME`), drawn as flat shapes in one ink.
#pragma once

#include "platform/resources/skin_declaration.h"
#include "tools/skingen/canvas.h"

namespace skingen {

// Draws the icon inside the square of side `size` centred on (centre_x, centre_y); no ink
// falls outside that square. SkinIcon::None draws nothing.
void DrawIcon(Canvas& canvas, resources::SkinIcon icon, double centre_x, double centre_y, double size, Colour ink);

}  // namespace skingen
