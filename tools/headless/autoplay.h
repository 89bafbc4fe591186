// --autoplay: steers the paddle under the ball on play frames.
#pragma once

// Called before every frame when --autoplay is given; sets the arrow keys.
void AutoplayBeforeFrame(int frame);
