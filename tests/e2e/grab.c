/* grab OUT.ppm: the whole screen as a binary PPM, and on stdout the times
 * (seconds since the epoch) just before and just after the server read it.
 * The server reads the screen between the request and its reply, so the two
 * times bracket the moment the picture shows; a program that starts in a
 * millisecond keeps that bracket narrow on a busy machine. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <sys/time.h>

static double now(void) {
    struct timeval t;
    gettimeofday(&t, NULL);
    return t.tv_sec + t.tv_usec / 1e6;
}

/* One channel of a pixel, scaled to 0-255 whatever its mask. */
static unsigned char channel(unsigned long pixel, unsigned long mask) {
    const unsigned long low = mask & -mask;
    return mask ? (unsigned char)((pixel & mask) / low * 255 / (mask / low)) : 0;
}

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(NULL);
    if (argc != 2 || !display) return 2;
    Window root = DefaultRootWindow(display);
    XWindowAttributes size;
    XGetWindowAttributes(display, root, &size);
    double before = now();
    XImage* image = XGetImage(display, root, 0, 0, size.width, size.height, AllPlanes, ZPixmap);
    double after = now();
    if (!image) return 1;
    FILE* out = fopen(argv[1], "wb");
    if (!out) return 1;
    fprintf(out, "P6\n%d %d\n255\n", size.width, size.height);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            unsigned long p = XGetPixel(image, x, y);
            unsigned char rgb[3] = {channel(p, image->red_mask), channel(p, image->green_mask),
                                    channel(p, image->blue_mask)};
            fwrite(rgb, 1, 3, out);
        }
    printf("%.6f %.6f\n", before, after);
    return fclose(out) != 0;
}
