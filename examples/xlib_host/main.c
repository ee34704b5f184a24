/* A host on plain Xlib with an event loop of its own (no GLib, no toolkit): a window that
 * shows the Tintbox control windowless. It gives the site no timer: the loop waits for X
 * events at most TimerInterval milliseconds and pumps Tick itself. The clipboard is the
 * X CLIPBOARD selection, shared with other programs: a copy makes this window its owner
 * (it answers requests for UTF8_STRING, STRING and TARGETS), a paste asks the owner for
 * UTF8_STRING (then STRING) and waits at most a second for the answer. The control is
 * the window's only content, so Tab from its last stop comes back to its first (and
 * Shift+Tab the other way round). Escape quits when the control does not use it (it
 * does while a drag or the eyedropper runs: the colour goes back). The colour is
 * printed at the start and on every Change ("colour #RRGGBB"), and "control at 0 0"
 * once the window is mapped, for tests that drive it with real input.
 *
 * usage: tintbox_xlib_host path/to/libtintboxctl.so */
#define _XOPEN_SOURCE 700

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

#include "windowless_host.h"

typedef struct Host {
    TintboxWindowless* control;
    Display* display;
    Window window;
    GC gc;
    XImage* image; /* wraps `pixels` */
    uint32_t* pixels;
    int width, height;
    int dirty; /* something to draw again */
    TintboxRect dirty_area;
    Cursor cursors[4];
    Time last_input; /* the server time of the latest input: when a copy took place */
    Atom clipboard_atom, utf8_atom, targets_atom, paste_atom;
    char* copied; /* what this window serves while it owns CLIPBOARD, UTF-8 */
    size_t copied_length;
    char* pasted; /* the latest text read from another program's CLIPBOARD */
} Host;

/* ---- The site --------------------------------------------------------------------- */

static void site_invalidate(void* context, const TintboxRect* area) {
    Host* host = context;
    if (!host->dirty) {
        host->dirty_area = *area;
    } else {
        const int right = host->dirty_area.x + host->dirty_area.width;
        const int bottom = host->dirty_area.y + host->dirty_area.height;
        const int x = area->x < host->dirty_area.x ? area->x : host->dirty_area.x;
        const int y = area->y < host->dirty_area.y ? area->y : host->dirty_area.y;
        const int r = area->x + area->width > right ? area->x + area->width : right;
        const int b = area->y + area->height > bottom ? area->y + area->height : bottom;
        host->dirty_area = (TintboxRect){x, y, r - x, b - y};
    }
    host->dirty = 1;
}

static void site_set_pointer(void* context, int32_t shape) {
    Host* host = context;
    XDefineCursor(host->display, host->window, host->cursors[shape]);
}

static void site_request_focus(void* context) {
    Host* host = context;
    XSetInputFocus(host->display, host->window, RevertToParent, CurrentTime);
}

/* ---- The clipboard: the X CLIPBOARD selection ----------------------------------- */

enum { kPasteTimeoutMs = 1000, kLongestPaste = 1 << 16 };

static long now_ms(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

/* STRING is Latin-1: its bytes are the first 256 code points. */
static char* latin1_to_utf8(const unsigned char* text, size_t length) {
    char* out = malloc(length * 2 + 1);
    size_t n = 0;
    for (size_t i = 0; out != NULL && i < length; ++i) {
        if (text[i] < 0x80) {
            out[n++] = (char)text[i];
        } else {
            out[n++] = (char)(0xC0 | (text[i] >> 6));
            out[n++] = (char)(0x80 | (text[i] & 0x3F));
        }
    }
    if (out != NULL) {
        out[n] = 0;
    }
    return out;
}

/* A character beyond Latin-1 becomes '?'; the result has at most `length` bytes. */
static size_t utf8_to_latin1(const char* text, size_t length, char* out) {
    size_t n = 0;
    for (size_t i = 0; i < length; ++n) {
        const unsigned char lead = (unsigned char)text[i++];
        if (lead < 0x80) {
            out[n] = (char)lead;
            continue;
        }
        unsigned code = 0;
        int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        code = lead & (0x3F >> more);
        for (; more > 0 && i < length && ((unsigned char)text[i] & 0xC0) == 0x80; --more) {
            code = (code << 6) | ((unsigned char)text[i++] & 0x3F);
        }
        out[n] = code < 0x100 && more == 0 && lead >= 0xC0 ? (char)code : '?';
    }
    return n;
}

/* Waits for the answer to XConvertSelection, leaving every other event queued. */
static int wait_for_selection(Host* host, XEvent* answer) {
    const long deadline = now_ms() + kPasteTimeoutMs;
    for (;;) {
        if (XCheckTypedWindowEvent(host->display, host->window, SelectionNotify, answer)) {
            return 1;
        }
        const long left = deadline - now_ms();
        if (left <= 0) {
            return 0;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(ConnectionNumber(host->display), &readable);
        struct timeval timeout = {left / 1000, (left % 1000) * 1000};
        select(ConnectionNumber(host->display) + 1, &readable, NULL, NULL, &timeout);
    }
}

/* The CLIPBOARD owner's text as `target` (UTF8_STRING or STRING), in UTF-8; NULL when
 * the owner does not answer in time, refuses, or answers in pieces (INCR, for texts far
 * longer than a colour's). */
static char* read_clipboard(Host* host, Atom target) {
    XDeleteProperty(host->display, host->window, host->paste_atom);
    XConvertSelection(host->display, host->clipboard_atom, target, host->paste_atom, host->window,
                      host->last_input);
    XEvent answer;
    if (!wait_for_selection(host, &answer) || answer.xselection.property == None) {
        return NULL;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = NULL;
    char* text = NULL;
    if (XGetWindowProperty(host->display, host->window, host->paste_atom, 0, kLongestPaste / 4,
                           True, AnyPropertyType, &type, &format, &count, &remaining,
                           &data) == Success &&
        format == 8 && (type == host->utf8_atom || type == XA_STRING)) {
        if (type == XA_STRING) {
            text = latin1_to_utf8(data, count);
        } else if ((text = malloc(count + 1)) != NULL) {
            memcpy(text, data, count);
            text[count] = 0;
        }
    }
    if (data != NULL) {
        XFree(data);
    }
    return text;
}

static const char* site_get_clipboard(void* context) {
    Host* host = context;
    const Window owner = XGetSelectionOwner(host->display, host->clipboard_atom);
    if (owner == host->window) {
        return host->copied;
    }
    free(host->pasted);
    host->pasted = NULL;
    if (owner != None) {
        host->pasted = read_clipboard(host, host->utf8_atom);
        if (host->pasted == NULL) {
            host->pasted = read_clipboard(host, XA_STRING);
        }
    }
    return host->pasted;
}

static void site_set_clipboard(void* context, const char* text, size_t length) {
    Host* host = context;
    char* copy = malloc(length + 1);
    if (copy == NULL) {
        return;
    }
    memcpy(copy, text, length);
    copy[length] = 0;
    free(host->copied);
    host->copied = copy;
    host->copied_length = length;
    XSetSelectionOwner(host->display, host->clipboard_atom, host->window, host->last_input);
}

/* Another program pastes what this window copied. */
static void answer_clipboard_request(Host* host, const XSelectionRequestEvent* request) {
    /* A client of the oldest conventions names no property: the target serves as one. */
    const Atom property = request->property != None ? request->property : request->target;
    XSelectionEvent answer = {
        SelectionNotify, 0,    True,         host->display, request->requestor, request->selection,
        request->target, None, request->time};
    if (request->selection == host->clipboard_atom && host->copied != NULL) {
        if (request->target == host->targets_atom) {
            const Atom targets[] = {host->targets_atom, host->utf8_atom, XA_STRING};
            XChangeProperty(host->display, request->requestor, property, XA_ATOM, 32,
                            PropModeReplace, (const unsigned char*)targets, 3);
            answer.property = property;
        } else if (request->target == host->utf8_atom) {
            XChangeProperty(host->display, request->requestor, property, host->utf8_atom, 8,
                            PropModeReplace, (const unsigned char*)host->copied,
                            (int)host->copied_length);
            answer.property = property;
        } else if (request->target == XA_STRING) {
            char* latin1 = malloc(host->copied_length + 1);
            if (latin1 != NULL) {
                const size_t length = utf8_to_latin1(host->copied, host->copied_length, latin1);
                XChangeProperty(host->display, request->requestor, property, XA_STRING, 8,
                                PropModeReplace, (const unsigned char*)latin1, (int)length);
                free(latin1);
                answer.property = property;
            }
        }
    }
    XSendEvent(host->display, request->requestor, False, NoEventMask, (XEvent*)&answer);
}

static void show_colour(Host* host) {
    char text[8];
    windowless_format(windowless_get_rgb(host->control), text);
    printf("colour %s\n", text);
    fflush(stdout);
}

static void site_event(void* context, int32_t event, const char* detail) {
    Host* host = context;
    if (event == TINTBOX_EVENT_CHANGE) {
        show_colour(host);
    } else if (event == TINTBOX_EVENT_HANDLER_ERROR) {
        fprintf(stderr, "control error: %s\n", detail);
    }
}

/* ---- Drawing ---------------------------------------------------------------------- */

static void fit_buffer(Host* host, int width, int height) {
    host->control->vtbl->SetExtent(host->control, width, height, 1.0);
    int32_t w = 0;
    int32_t h = 0;
    host->control->vtbl->GetExtent(host->control, &w, &h);
    if (w == host->width && h == host->height) {
        return;
    }
    if (host->image != NULL) {
        XDestroyImage(host->image); /* frees the pixels too */
    }
    host->width = w;
    host->height = h;
    host->pixels = calloc((size_t)w * (size_t)h, 4);
    Visual* visual = DefaultVisual(host->display, DefaultScreen(host->display));
    host->image = XCreateImage(host->display, visual, 24, ZPixmap, 0, (char*)host->pixels,
                               (unsigned)w, (unsigned)h, 32, w * 4);
    host->dirty = 1;
    host->dirty_area = (TintboxRect){0, 0, w, h};
}

static void draw(Host* host) {
    if (!host->dirty || host->image == NULL) {
        return;
    }
    host->dirty = 0;
    const TintboxRect area = host->dirty_area;
    host->control->vtbl->Draw(host->control, host->pixels, host->width, host->height,
                              host->width * 4, &area);
    XPutImage(host->display, host->window, host->gc, host->image, area.x, area.y, area.x, area.y,
              (unsigned)area.width, (unsigned)area.height);
}

/* ---- Input ------------------------------------------------------------------------ */

static int32_t send(Host* host, int32_t kind, int x, int y, int32_t button, int32_t key,
                    unsigned state, const char* text) {
    const int32_t modifiers = ((state & ShiftMask) ? TINTBOX_MOD_SHIFT : 0) |
                              ((state & ControlMask) ? TINTBOX_MOD_CTRL : 0) |
                              ((state & Mod1Mask) ? TINTBOX_MOD_ALT : 0);
    TintboxInputEvent event = {kind, x, y, button, modifiers, key, 0, text};
    if (kind == TINTBOX_INPUT_WHEEL) {
        event.delta = button;
        event.button = 0;
    }
    int32_t handled = 0;
    if (host->control->vtbl->Input(host->control, &event, &handled) != TINTBOX_OK) {
        fprintf(stderr, "%s\n", host->control->vtbl->ErrorMessage(host->control));
    }
    return handled;
}

static int32_t key_of(KeySym sym) {
    switch (sym) {
        case XK_BackSpace:
            return TINTBOX_KEY_BACKSPACE;
        case XK_Delete:
            return TINTBOX_KEY_DELETE;
        case XK_Left:
            return TINTBOX_KEY_LEFT;
        case XK_Right:
            return TINTBOX_KEY_RIGHT;
        case XK_Up:
            return TINTBOX_KEY_UP;
        case XK_Down:
            return TINTBOX_KEY_DOWN;
        case XK_Home:
            return TINTBOX_KEY_HOME;
        case XK_End:
            return TINTBOX_KEY_END;
        case XK_Page_Up:
            return TINTBOX_KEY_PAGE_UP;
        case XK_Page_Down:
            return TINTBOX_KEY_PAGE_DOWN;
        case XK_Tab:
            return TINTBOX_KEY_TAB;
        case XK_ISO_Left_Tab:
            return TINTBOX_KEY_BACKTAB;
        case XK_Insert:
            return TINTBOX_KEY_INSERT;
        case XK_Return:
            return TINTBOX_KEY_RETURN;
        case XK_Escape:
            return TINTBOX_KEY_ESCAPE;
        default:
            return sym >= XK_a && sym <= XK_z   ? (int32_t)(sym - XK_a + 'A')
                   : sym >= XK_A && sym <= XK_Z ? (int32_t)sym
                                                : 0;
    }
}

/* Whether the control used the key. */
static int32_t key_press(Host* host, XKeyEvent* event) {
    char text[32];
    KeySym sym = NoSymbol;
    const int length = XLookupString(event, text, sizeof text - 1, &sym, NULL);
    text[length > 0 ? length : 0] = 0;
    const int32_t key = key_of(sym);
    const int command = (event->state & ControlMask) != 0;
    if (key != 0 && (command || key > 'Z')) {
        const int32_t handled = send(host, TINTBOX_INPUT_KEY, 0, 0, 0, key, event->state, NULL);
        if (!handled && (key == TINTBOX_KEY_TAB || key == TINTBOX_KEY_BACKTAB)) {
            /* Tab left the control at one end of its tab order; the window has nothing
             * else to take the focus, so it comes back in at the other end. */
            const int backward = key == TINTBOX_KEY_BACKTAB || (event->state & ShiftMask);
            send(host, TINTBOX_INPUT_FOCUS_OUT, 0, 0, 0, 0, 0, NULL);
            send(host, TINTBOX_INPUT_FOCUS_IN, 0, 0, 0,
                 backward ? TINTBOX_KEY_BACKTAB : TINTBOX_KEY_TAB, 0, NULL);
            return 1;
        }
        return handled;
    }
    if (length > 0 && (unsigned char)text[0] >= 0x20) {
        return send(host, TINTBOX_INPUT_TEXT, 0, 0, 0, 0, 0, text);
    }
    return 0;
}

static int32_t button_of(unsigned button) {
    switch (button) {
        case Button1:
            return TINTBOX_BUTTON_LEFT;
        case Button2:
            return TINTBOX_BUTTON_MIDDLE;
        case Button3:
            return TINTBOX_BUTTON_RIGHT;
        default:
            return 0;
    }
}

/* The pointer shape's image as a two-colour X cursor. */
static Cursor make_cursor(Display* display, Window window, const TintboxCursorImage* image) {
    char shape[32 * 32 / 8];
    char mask[32 * 32 / 8];
    memset(shape, 0, sizeof shape);
    memset(mask, 0, sizeof mask);
    for (int i = 0; i < 32 * 32; ++i) {
        if (image->pixels[i] == 0xFF000000u) {
            shape[i / 8] |= (char)(1 << (i % 8));
        }
        if (image->pixels[i] != 0) {
            mask[i / 8] |= (char)(1 << (i % 8));
        }
    }
    Pixmap source = XCreateBitmapFromData(display, window, shape, 32, 32);
    Pixmap outline = XCreateBitmapFromData(display, window, mask, 32, 32);
    XColor black = {0, 0, 0, 0, DoRed | DoGreen | DoBlue, 0};
    XColor white = {0, 0xFFFF, 0xFFFF, 0xFFFF, DoRed | DoGreen | DoBlue, 0};
    Cursor cursor = XCreatePixmapCursor(display, source, outline, &black, &white,
                                        (unsigned)image->hot_x, (unsigned)image->hot_y);
    XFreePixmap(display, source);
    XFreePixmap(display, outline);
    return cursor;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s path/to/libtintboxctl.so\n", argv[0]);
        return 2;
    }
    Host host;
    memset(&host, 0, sizeof host);
    host.display = XOpenDisplay(NULL);
    if (host.display == NULL) {
        fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    host.control = windowless_open(argv[1]);
    if (host.control == NULL) {
        return 1;
    }
    windowless_set_spectrum(host.control);
    int32_t width = 0;
    int32_t height = 0;
    host.control->vtbl->GetExtent(host.control, &width, &height);
    host.window = XCreateSimpleWindow(host.display, DefaultRootWindow(host.display), 0, 0,
                                      (unsigned)width, (unsigned)height, 0, 0, 0xF0F0F0);
    XStoreName(host.display, host.window, "Tintbox in Xlib");
    host.clipboard_atom = XInternAtom(host.display, "CLIPBOARD", False);
    host.utf8_atom = XInternAtom(host.display, "UTF8_STRING", False);
    host.targets_atom = XInternAtom(host.display, "TARGETS", False);
    host.paste_atom = XInternAtom(host.display, "TINTBOX_PASTE", False);
    XSelectInput(host.display, host.window,
                 ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                     PointerMotionMask | LeaveWindowMask | KeyPressMask | FocusChangeMask);
    host.gc = XCreateGC(host.display, host.window, 0, NULL);
    host.cursors[TINTBOX_POINTER_DEFAULT] = XCreateFontCursor(host.display, XC_left_ptr);
    host.cursors[TINTBOX_POINTER_TEXT] = XCreateFontCursor(host.display, XC_xterm);
    for (int shape = TINTBOX_POINTER_CURSOR_A; shape <= TINTBOX_POINTER_CURSOR_B; ++shape) {
        const TintboxCursorImage* image = windowless_cursor(shape);
        host.cursors[shape] = image != NULL ? make_cursor(host.display, host.window, image)
                                            : host.cursors[TINTBOX_POINTER_DEFAULT];
    }

    const TintboxSite site = {sizeof site,
                              &host,
                              site_invalidate,
                              NULL, /* no timer: the loop below pumps Tick */
                              NULL,
                              site_set_pointer,
                              site_request_focus,
                              site_get_clipboard,
                              site_set_clipboard,
                              NULL,
                              NULL,
                              site_event,
                              NULL /* no hint while the desktop's picker is open */};
    host.control->vtbl->SetSite(host.control, &site);
    fit_buffer(&host, width, height);
    XMapWindow(host.display, host.window);
    show_colour(&host);

    const int connection = ConnectionNumber(host.display);
    long last_tick = now_ms();
    for (int running = 1; running;) {
        while (running && XPending(host.display) > 0) {
            XEvent event;
            XNextEvent(host.display, &event);
            switch (event.type) {
                case MapNotify:
                    printf("control at 0 0\n"); /* the control fills the window */
                    fflush(stdout);
                    break;
                case Expose:
                    site_invalidate(
                        &host, &(TintboxRect){event.xexpose.x, event.xexpose.y, event.xexpose.width,
                                              event.xexpose.height});
                    break;
                case ConfigureNotify:
                    fit_buffer(&host, event.xconfigure.width, event.xconfigure.height);
                    break;
                case ButtonPress:
                case ButtonRelease: {
                    host.last_input = event.xbutton.time;
                    const unsigned b = event.xbutton.button;
                    if (b == Button4 || b == Button5) {
                        if (event.type == ButtonPress) {
                            send(&host, TINTBOX_INPUT_WHEEL, event.xbutton.x, event.xbutton.y,
                                 b == Button4 ? 1 : -1, 0, 0, NULL);
                        }
                    } else if (button_of(b) != 0) {
                        send(
                            &host,
                            event.type == ButtonPress ? TINTBOX_INPUT_PRESS : TINTBOX_INPUT_RELEASE,
                            event.xbutton.x, event.xbutton.y, button_of(b), 0, event.xbutton.state,
                            NULL);
                    }
                    break;
                }
                case MotionNotify:
                    host.last_input = event.xmotion.time;
                    send(&host, TINTBOX_INPUT_MOVE, event.xmotion.x, event.xmotion.y, 0, 0,
                         event.xmotion.state, NULL);
                    break;
                case LeaveNotify:
                    send(&host, TINTBOX_INPUT_LEAVE, 0, 0, 0, 0, 0, NULL);
                    break;
                case FocusIn:
                    send(&host, TINTBOX_INPUT_FOCUS_IN, 0, 0, 0, 0, 0, NULL);
                    break;
                case FocusOut:
                    send(&host, TINTBOX_INPUT_FOCUS_OUT, 0, 0, 0, 0, 0, NULL);
                    break;
                case KeyPress:
                    host.last_input = event.xkey.time;
                    if (!key_press(&host, &event.xkey) &&
                        XLookupKeysym(&event.xkey, 0) == XK_Escape) {
                        running = 0;
                    }
                    break;
                case SelectionRequest:
                    answer_clipboard_request(&host, &event.xselectionrequest);
                    break;
                case SelectionClear:
                    free(host.copied); /* another program's text is the clipboard now */
                    host.copied = NULL;
                    break;
            }
        }
        draw(&host);
        XFlush(host.display);
        /* Wait for X or for the control's timer, whichever comes first. */
        int32_t interval = 0;
        host.control->vtbl->TimerInterval(host.control, &interval);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(connection, &readable);
        struct timeval timeout = {0, interval * 1000};
        if (running && XPending(host.display) == 0) {
            select(connection + 1, &readable, NULL, NULL, interval > 0 ? &timeout : NULL);
        }
        const long now = now_ms();
        if (interval > 0 && now - last_tick >= interval) {
            host.control->vtbl->Tick(host.control, (int32_t)(now - last_tick));
        }
        if (interval == 0 || now - last_tick >= interval) {
            last_tick = now;
        }
    }
    windowless_close(host.control);
    XDestroyImage(host.image);
    XFreeGC(host.display, host.gc);
    XCloseDisplay(host.display);
    free(host.copied);
    free(host.pasted);
    return 0;
}
