// The key pad's table lives in the core so that tvq31ctl names keys the way
// the window does.
#pragma once

#include "keypad/keypad.h"
