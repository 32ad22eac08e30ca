#pragma once

// What the frame loop needs from the show. The shell only declares these two
// steps; the show implements them and the program's link joins the two.

// The load step: called once after display set-up (even a failed one),
// before show time 0. Decodes the slides and starts the music.
void loadShow();

// The draw step: called once per frame. Reads demoTime (shell/entry.h) and
// the size in appWindow (shell/app_window.h) itself.
void drawSlides();
