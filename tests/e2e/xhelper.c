/* Two things the end-to-end runs need from the X server that xdotool does not offer:
 *   close WINDOW   ask a window to close as a window manager's close button does
 *                  (WM_DELETE_WINDOW); without a window manager nothing else can;
 *   clipboard      print the clipboard's text (UTF-8), waiting up to two seconds for its
 *                  owner to answer; exits 1 when there is none.
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>

static int closeWindow(Display *display, Window window)
{
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

static int waitForEvent(Display *display, int type, XEvent *event)
{
    int fd = ConnectionNumber(display);
    for (int tick = 0; tick < 40; ++tick) {
        while (XPending(display)) {
            XNextEvent(display, event);
            if (event->type == type) return 1;
        }
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        struct timeval wait = {0, 50000};
        select(fd + 1, &set, NULL, NULL, &wait);
    }
    return 0;
}

static int printClipboard(Display *display)
{
    Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom target = XInternAtom(display, "TERVANA_E2E_CLIP", False);
    if (XGetSelectionOwner(display, clipboard) == None) return 1;
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XConvertSelection(display, clipboard, utf8, target, window, CurrentTime);
    XFlush(display);
    XEvent event;
    if (!waitForEvent(display, SelectionNotify, &event) || event.xselection.property == None)
        return 1;
    Atom type;
    int format;
    unsigned long count, remaining;
    unsigned char *data = NULL;
    if (XGetWindowProperty(display, window, target, 0, 1 << 20, True, AnyPropertyType, &type,
                           &format, &count, &remaining, &data) != Success ||
        data == NULL)
        return 1;
    fwrite(data, 1, count, stdout);
    XFree(data);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s close WINDOW | clipboard\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 2;
    }
    int result = 2;
    if (strcmp(argv[1], "close") == 0 && argc == 3)
        result = closeWindow(display, (Window)strtoul(argv[2], NULL, 0));
    else if (strcmp(argv[1], "clipboard") == 0)
        result = printClipboard(display);
    XCloseDisplay(display);
    return result;
}
