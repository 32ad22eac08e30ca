#pragma once
#include "shell/app_window.h"

// The parts of display set-up that every back end shares.

// Shows text in a box captioned "you fail" and clears app.running.
void reportSetupFailure(AppWindow& app, const char* text);

// The GL state the show starts from: a 45-degree perspective projection,
// smooth shading, lighting, fog and texturing off, white colour, cleared
// colour and depth buffers.
void applyInitialGlState();
