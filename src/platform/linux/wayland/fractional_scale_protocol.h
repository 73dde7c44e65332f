// The generated client code of the protocols for drawing a surface at a
// fractional scale: the viewporter (a buffer shown at another size) and the
// compositor's preferred scale for a surface.
#pragma once

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
