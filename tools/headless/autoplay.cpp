#include "tools/headless/autoplay.h"

void AutoplayBeforeFrame(int) {}
