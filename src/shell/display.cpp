#include "shell/display.h"

#include "shell/gl.h"
#include "shell/message_box.h"

void reportSetupFailure(AppWindow& app, const char* text) {
    showMessageBox(text, "you fail");
    app.running = 0;
}

void applyInitialGlState() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Single-precision 4/3 and 0.1, widened to double.
    gluPerspective(45.0, 1.3333333730697632, 0.10000000149011612, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
