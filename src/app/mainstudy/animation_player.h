// The animation player of the hint area, donghuaflash2: plays the capture
// animation movie (see swf/shockwaveflash.h).
#pragma once

#include "swf/shockwaveflash.h"
