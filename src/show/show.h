#pragma once
#include "surfaces/bitmap.h"

// The four slides, shown ten seconds each in index order.
extern Bitmap slides[4];

// The draw step: draws the slide for the current demoTime as one quad in a
// fixed orthographic view, or nothing from 40 s on. Leaves the matrices as
// it found them.
void drawSlides();

// The load step: decodes the four images from the working directory into the
// slides, then starts the music. Failures show their boxes and loading goes on.
void loadShow();
