/* send_close WINDOW_ID: asks the window to close as a window manager does,
 * with a WM_DELETE_WINDOW client message (xdotool windowclose would destroy
 * it instead). */
#include <X11/Xlib.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(NULL);
    if (argc != 2 || !display) return 2;
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = strtoul(argv[1], NULL, 0);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
