// PrepareDisplay: readies the renderer for the form's 8-bit square (the
// picture the 8-bit work file holds). Run once when the show starts and again
// after every picture change, always between two frames.
//
// Every step runs even when an earlier one failed; a failing step is skipped
// and leaves its target as it was: no square yet keeps the pictures copied
// before, and a picture that cannot be bound leaves its array unbound
// (the frame step then draws nothing).
#pragma once

#include "display/nuvra_s.h"
#include "modules.h"
#include "platform/platform.h"

namespace nuvra {

// 1. fills the trigonometric tables;
// 2. copies the 8-bit square into Img_View, then again into Display;
// 3. sizes the Display box to Img_View;
// 4. places the box by ImagePosition: Centre centred (fractions kept),
//    RandomPlace at a random place on screen, anything else left where it is;
// 5. binds SourcePixels to Img_View, then DisplayPixels to Display;
// 6. builds the mirror table;
// 7. clears the display square to index 0.
// Repainting is the display window's.
void PrepareDisplay(NuvraS& form, NuvraB& nuvra_b, platform::Platform& platform);

}  // namespace nuvra
