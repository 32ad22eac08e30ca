#include "shell/app_window.h"
#include "shell/entry.h"
#include "shell/gl.h"
#include "show/show.h"

Bitmap slides[4];

namespace {
// Corners in order, with texture coordinates (0,0), (1,0), (1,1), (0,1):
// texture t = 0, the image's first row, goes to the first two corners.
void drawSlide(Bitmap& slide, float left, float bottom, float right, float top) {
    drawTexturedQuad(slide, left, bottom, right, bottom, right, top, left, top, 0.0f, 0.0f, 1.0f,
                     0.0f, 1.0f, 1.0f, 0.0f, 1.0f);
}
}  // namespace

void drawSlides() {
    const double r = double(appWindow.height) / double(appWindow.width);

    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -r, r, 0.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    const float t = demoTime;
    if (t < 10.0f) {
        // Exactly fills the view.
        const float rf = float(r);
        drawSlide(slides[0], -1.0f, -rf, 1.0f, rf);
    } else if (t < 20.0f) {
        drawSlide(slides[1], -1.0f, -1.0f, 1.0f, 1.0f);
    } else if (t < 30.0f) {
        // Upside down: the image's first row at the top of the screen.
        drawSlide(slides[2], -1.0f, 1.0f, 1.0f, -1.0f);
    } else if (t < 40.0f) {
        drawSlide(slides[3], -1.0f, -1.0f, 1.0f, 1.0f);
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
