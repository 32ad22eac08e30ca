#pragma once
#include "shell/show_steps.h"
#include "surfaces/bitmap.h"

// The four slides, shown ten seconds each in index order.
extern Bitmap slides[4];

// The show implements the shell's two steps (shell/show_steps.h):
// - drawSlides draws the slide for the current demoTime as one quad in a
//   fixed orthographic view, or nothing from 40 s on, and leaves the
//   matrices as it found them;
// - loadShow decodes the four images from the working directory into the
//   slides, then starts the music. Failures show their boxes and loading
//   goes on.
