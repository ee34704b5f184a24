/** \file
 * Windowless hosting: a host that owns its window (GTK, SDL, plain Xlib, a Python or Rust
 * program, any toolkit) shows the Tintbox control inside it and lets a person use it.
 *
 * The host draws the control into a buffer of its own, forwards a person's input, and
 * serves a site: a table of callbacks for what only the window's owner has (repainting a
 * rectangle, a timer, the pointer shape, the keyboard focus, the clipboard and, if it
 * wants, the screen). The control behaves exactly as the Qt widget does: it is the same
 * view layer, drawn by the same Qt skin.
 *
 * The calls in order:
 *
 *   factory->vtbl->CreateInstance(factory, &TINTBOX_IID_Windowless, (TintboxControl**)&wl);
 *   wl->vtbl->SetSite(wl, &site);                      invalidate, timer, pointer, focus, ...
 *   wl->vtbl->SetExtent(wl, width, height, ratio);     then GetExtent: the size it took
 *   on the host's draw:   wl->vtbl->Draw(wl, pixels, width, height, stride, &area);
 *   on a person's input:  wl->vtbl->Input(wl, &event, &handled);
 *   on the site's timer:  wl->vtbl->Tick(wl, elapsed_ms);
 *   colour methods:       wl->vtbl->GetDispatch(wl, &ctl); ctl->vtbl->Invoke(...)
 *   wl->vtbl->SetSite(wl, NULL); wl->vtbl->Release(wl);
 *
 * One thread: every call, and every callback of the site, happens on the host's user-
 * interface thread, the one that created the first windowless instance. The control
 * runs on Qt: a host that already runs a QApplication in its process shares it (use it
 * from its thread); otherwise the first instance starts one on Qt's "offscreen" platform,
 * which needs nothing but the installed Qt libraries, and the last release ends it. A
 * call from any other thread, on the windowless pointer or on its dispatch interface,
 * and CreateInstance there, does nothing and answers TINTBOX_E_WRONG_THREAD. AddRef and
 * Release may come from any thread; when the last release comes from another one, the
 * instance ends at the next windowless call on the interface's thread. Once
 * a windowless instance has existed, the library stays loaded until the process ends
 * (dlclose does not unload it). A process may end holding instances (return from main,
 * exit): they are left as they are, without a call back into the host, and the process
 * ends normally.
 *
 * Pixels: every position, size and rectangle is in the host's device pixels, relative
 * to the control's top-left corner; SetExtent's ratio says how many device pixels make
 * one of the control's logical pixels (1, 1.5, 2, ...).
 */
#ifndef TINTBOX_TINTBOX_WINDOWLESS_H
#define TINTBOX_TINTBOX_WINDOWLESS_H

#include "tintbox/tintbox_shell.h"

#ifdef __cplusplus
extern "C" {
#endif

/** The windowless interface: {5B0F6C2E-3D41-4E7A-9C58-21B7E4A9D0F3}. CreateInstance with
 * this id writes a TintboxWindowless* into its out pointer. A library built without Qt
 * answers TINTBOX_E_CLASS_NOT_AVAILABLE. */
static const TintboxGuid TINTBOX_IID_Windowless = {
    0x5B0F6C2E, 0x3D41, 0x4E7A, {0x9C, 0x58, 0x21, 0xB7, 0xE4, 0xA9, 0xD0, 0xF3}};

/* Status codes of the windowless interface besides those of tintbox_shell.h. */
/** Input without a site (none set yet, or SetSite(NULL)): a person's input needs the
 * site's focus and clipboard, so SetSite first. Every other call works without a site. */
#define TINTBOX_E_NO_SITE 20
/** Draw: the buffer is smaller than the control (see GetExtent), or its stride is below
 * width * 4. */
#define TINTBOX_E_BUFFER_TOO_SMALL 21
/** The instance was released for the last time. Using a pointer after that is the host's
 * error; the library answers it with this code (AddRef and Release with 0) for the 256
 * most recently released instances, and frees older ones. */
#define TINTBOX_E_RELEASED 22
/** CreateInstance: the process runs a Qt application without widgets (QGuiApplication
 * or QCoreApplication), on which the control cannot run. */
#define TINTBOX_E_NO_DISPLAY 23
/** A call on a windowless instance or on its dispatch interface from another thread than
 * the one the interface runs on (see "One thread" above), or CreateInstance there; the
 * call did nothing. ErrorMessage, asked from that thread, says so. */
#define TINTBOX_E_WRONG_THREAD 24

/** A rectangle in the control's device pixels, from its top-left corner. */
typedef struct TintboxRect {
    int32_t x;      /**< the left edge */
    int32_t y;      /**< the top edge */
    int32_t width;  /**< in device pixels */
    int32_t height; /**< in device pixels */
} TintboxRect;

/** @{ */
/** Pointer shapes the control asks for. The two cursors are 32 x 32 images with a hot
 * spot: factory GetResource(TINTBOX_RESOURCE_CURSOR, TINTBOX_POINTER_CURSOR_A or _B)
 * gives a TintboxCursorImage. */
#define TINTBOX_POINTER_DEFAULT 0
#define TINTBOX_POINTER_TEXT 1
#define TINTBOX_POINTER_CURSOR_A 2
#define TINTBOX_POINTER_CURSOR_B 3
/** @} */

/** The factory's resource type of the cursor images (TintboxCursorImage). */
#define TINTBOX_RESOURCE_CURSOR 100
/** A cursor image, as the factory's GetResource gives it. */
typedef struct TintboxCursorImage {
    int32_t width;            /**< 32 */
    int32_t height;           /**< 32 */
    int32_t hot_x;            /**< the hot spot's column */
    int32_t hot_y;            /**< the hot spot's row */
    uint32_t pixels[32 * 32]; /**< premultiplied 0xAARRGGBB, row by row from the top */
} TintboxCursorImage;

/** Events from the control to the site's event callback. */
#define TINTBOX_EVENT_CHANGE 1                 /**< the colour changed (as Change) */
#define TINTBOX_EVENT_PROPERTY_CHANGED 2       /**< detail: "Picture" or "Enabled" */
#define TINTBOX_EVENT_HANDLER_ERROR 3          /**< detail: the error's message */
#define TINTBOX_EVENT_EYEDROPPER_UNAVAILABLE 4 /**< the screen cannot be read */

/* How the eyedropper (the right button held on the spectrum) works, for the site's
 * eyedropper_state. */
/** The colour follows the screen pixel under the pointer while the button is held. */
#define TINTBOX_EYEDROPPER_LIVE 0
/** No program may read the screen (Wayland, XWayland): when the person lets go of the
 * button the desktop's own colour picker opens, and the pixel clicked there becomes the
 * colour. */
#define TINTBOX_EYEDROPPER_SYSTEM_PICKER 1
/** Neither: a right press reports TINTBOX_EVENT_EYEDROPPER_UNAVAILABLE. */
#define TINTBOX_EYEDROPPER_UNAVAILABLE 2

/** The site: the host's side. Fill every member that is not marked optional; `size` is
 * sizeof(TintboxSite), so that later versions can grow the table: a library reads only
 * the members that `size` covers, and takes a table that ends before the members added
 * in a later version (the first table ended after `event`). The library copies the
 * table; `context` comes back with every callback. Callbacks may call the instance again
 * (GetRGB, Draw, ...). */
typedef struct TintboxSite {
    uint32_t size; /**< sizeof(TintboxSite), or TINTBOX_SITE_SIZE_V2 */
    void* context; /**< the host's own pointer, handed to every callback */
    /** This rectangle needs drawing again: call Draw (now or at the next frame). */
    void (*invalidate)(void* context, const TintboxRect* area);
    /** Call Tick every `interval_ms` until stop_timer. Optional as a pair: without them
     * the host calls Tick from its own loop, at least every TimerInterval ms while that
     * is positive. */
    void (*start_timer)(void* context, int32_t interval_ms);
    /** Stop calling Tick (see start_timer). */
    void (*stop_timer)(void* context);
    /** Show this TINTBOX_POINTER_... over the control. */
    void (*set_pointer)(void* context, int32_t shape);
    /** A press inside the control: give it the keyboard focus (then send FOCUS_IN). */
    void (*request_focus)(void* context);
    /** The clipboard's text as UTF-8 (NULL or "" for none), valid until the next callback;
     * and a text to put on the clipboard. */
    /** @{ */
    const char* (*get_clipboard_text)(void* context);
    void (*set_clipboard_text)(void* context, const char* utf8, size_t length);
    /** @} */
    /** @{ */
    /** Optional as a pair: the pointer's position on the screen and one screen pixel
     * (0x00RRGGBB) there; each returns nonzero on success. Without them the control
     * reads the screen as the Qt widget does (X11 today), or reports
     * TINTBOX_EVENT_EYEDROPPER_UNAVAILABLE. */
    int32_t (*get_pointer_position)(void* context, int32_t* x, int32_t* y);
    int32_t (*read_screen_pixel)(void* context, int32_t x, int32_t y, uint32_t* rgb);
    /** @} */
    /** An event of the control: TINTBOX_EVENT_..., with its text or NULL. */
    void (*event)(void* context, int32_t event, const char* detail);
    /** Optional, since TINTBOX_SHELL_VERSION 3: how the eyedropper works now
     * (TINTBOX_EYEDROPPER_...) and whether the desktop's colour picker is open for the
     * person (1) or not (0). Called when the site is set and whenever either changes;
     * a host may say "Click a pixel; Esc cancels" while the picker is open. The picker's
     * colour arrives as TINTBOX_EVENT_CHANGE; while it is open the control asks for
     * Ticks (start_timer or TimerInterval), through which its answer comes in when the
     * library runs Qt on its own. */
    void (*eyedropper_state)(void* context, int32_t mode, int32_t system_pick_open);
} TintboxSite;

/** The size of the first site table, which ended after `event`. */
#define TINTBOX_SITE_SIZE_V2 (offsetof(TintboxSite, eyedropper_state))

/** A person's input. */
#define TINTBOX_INPUT_PRESS 1        /**< x, y, button, modifiers */
#define TINTBOX_INPUT_RELEASE 2      /**< x, y, button, modifiers */
#define TINTBOX_INPUT_MOVE 3         /**< x, y, modifiers */
#define TINTBOX_INPUT_DOUBLE_CLICK 4 /**< the second press of a double click: x, y, button */
#define TINTBOX_INPUT_WHEEL 5        /**< x, y, delta: notches, positive away from the person */
#define TINTBOX_INPUT_KEY 6          /**< key, modifiers */
#define TINTBOX_INPUT_TEXT 7         /**< text: committed text (keyboard or input method) */
#define TINTBOX_INPUT_FOCUS_IN 8     /**< key: TINTBOX_KEY_TAB / _BACKTAB when tabbed in */
#define TINTBOX_INPUT_FOCUS_OUT 9    /**< the control lost the keyboard focus */
#define TINTBOX_INPUT_LEAVE 10       /**< the pointer left the control */

/** @{ */
/** A mouse button (TintboxInputEvent's `button`). */
#define TINTBOX_BUTTON_LEFT 1
#define TINTBOX_BUTTON_RIGHT 2
#define TINTBOX_BUTTON_MIDDLE 4
/** @} */

/** @{ */
/** A modifier key held (bits of TintboxInputEvent's `modifiers`). */
#define TINTBOX_MOD_SHIFT 1
#define TINTBOX_MOD_CTRL 2
#define TINTBOX_MOD_ALT 4
/** @} */

/** @{ */
/** Keys: these, or an upper-case ASCII letter 'A'..'Z' with TINTBOX_MOD_CTRL (A select
 * all; C, X, V copy, cut, paste; Z undo, with Shift redo; Y redo). INSERT with Ctrl
 * copies and with Shift pastes, DELETE with Shift cuts. A chord with TINTBOX_MOD_ALT
 * comes back unhandled. A key that types a character comes as TEXT; its KEY without
 * Ctrl comes back unhandled. */
#define TINTBOX_KEY_BACKSPACE 0x1001
#define TINTBOX_KEY_DELETE 0x1002
#define TINTBOX_KEY_LEFT 0x1003
#define TINTBOX_KEY_RIGHT 0x1004
#define TINTBOX_KEY_UP 0x1005
#define TINTBOX_KEY_DOWN 0x1006
#define TINTBOX_KEY_HOME 0x1007
#define TINTBOX_KEY_END 0x1008
#define TINTBOX_KEY_PAGE_UP 0x1009
#define TINTBOX_KEY_PAGE_DOWN 0x100A
#define TINTBOX_KEY_TAB 0x100B
#define TINTBOX_KEY_BACKTAB 0x100C /**< Shift+Tab; TAB with TINTBOX_MOD_SHIFT is the same */
#define TINTBOX_KEY_INSERT 0x100D
#define TINTBOX_KEY_ESCAPE 0x100E
#define TINTBOX_KEY_RETURN 0x100F
/** @} */

/** One input of a person's: a kind and the fields that kind uses (see TINTBOX_INPUT_...). */
typedef struct TintboxInputEvent {
    int32_t kind;      /**< TINTBOX_INPUT_... */
    int32_t x;         /**< device pixels from the control's left edge */
    int32_t y;         /**< device pixels from the control's top edge */
    int32_t button;    /**< one TINTBOX_BUTTON_... */
    int32_t modifiers; /**< TINTBOX_MOD_... */
    int32_t key;       /**< TINTBOX_KEY_... or 'A'..'Z' */
    int32_t delta;     /**< wheel notches, positive away from the person */
    const char* text;  /**< UTF-8, zero-terminated */
} TintboxInputEvent;

/** A windowless instance of the control (CreateInstance with TINTBOX_IID_Windowless). */
typedef struct TintboxWindowless TintboxWindowless;

/** The functions of a TintboxWindowless. */
typedef struct TintboxWindowlessVtbl {
    /** @{ */
    /** Takes a reference, or gives one back; returns the new count. */
    uint32_t (*AddRef)(TintboxWindowless* self);
    uint32_t (*Release)(TintboxWindowless* self);
    /** @} */
    /** Takes the host's site (copied), or NULL to drop it. TINTBOX_E_INVALID_ARGUMENT when
     * `size` is too small or a required callback, or one of a pair, is missing. */
    TintboxStatus (*SetSite)(TintboxWindowless* self, const TintboxSite* site);
    /** The dispatch interface of this very control (GetRGB, SetRGB, Picture, Advise, ...)
     * with one reference. Both pointers share one reference count: AddRef and Release
     * through either count for the instance, and the release that brings the count to 0,
     * through whichever pointer, is the last release of both. After it the windowless
     * pointer answers TINTBOX_E_RELEASED (see there); the dispatch pointer is freed and
     * must not be used. */
    TintboxStatus (*GetDispatch)(TintboxWindowless* self, TintboxControl** out);
    /** Sizes the control to width x height device pixels at `ratio` device pixels per
     * logical pixel (0.5 to 8). The control keeps its own height and a minimum width:
     * GetExtent tells the size it took. The site hears invalidate for the whole control.
     * Until the first SetExtent the control has its designed size at ratio 1 (318 x 225
     * when the library runs Qt itself), with or without a site. */
    TintboxStatus (*SetExtent)(TintboxWindowless* self, int32_t width, int32_t height,
                               double ratio);
    /** The size the control took, in device pixels. */
    TintboxStatus (*GetExtent)(TintboxWindowless* self, int32_t* width, int32_t* height);
    /** Draws the control in its current state into the host's buffer: `width` x `height`
     * pixels of premultiplied 32-bit 0xAARRGGBB (Cairo's ARGB32, Qt's
     * ARGB32_Premultiplied, SDL's ARGB8888 on little-endian machines), `stride` bytes a
     * row, the control's top-left corner at the buffer's. `area` limits the drawing to
     * one rectangle (NULL: the whole control), clipped to the control wherever it lies;
     * inside it the pixels are those of a whole draw, and pixels outside it are left
     * alone. The buffer must hold the whole control (GetExtent). The control keeps what
     * it drew (4 bytes a device pixel) and paints again only what changed since;
     * TINTBOX_E_OUT_OF_MEMORY when it cannot keep it. */
    TintboxStatus (*Draw)(TintboxWindowless* self, void* pixels, int32_t width, int32_t height,
                          int32_t stride, const TintboxRect* area);
    /** A person's input. *handled (may be NULL) is 1 when the control used it, 0 when the
     * host should (TAB and BACKTAB at the ends of the control's tab order, so that the
     * host moves its focus on; Return; Escape when no mouse gesture runs; keys outside
     * any editor). An Escape that ends a gesture (a drag, an eyedropper run) and puts the
     * colour back is the control's: 1. TINTBOX_E_INVALID_ARGUMENT for an unknown kind,
     * button or key. */
    TintboxStatus (*Input)(TintboxWindowless* self, const TintboxInputEvent* event,
                           int32_t* handled);
    /** Time passed: advances the control's timer (the eyedropper's) by elapsed_ms. Like
     * every desktop timer it does not catch up: a Tick longer than the interval gives
     * one timer event, not one per interval that passed. */
    TintboxStatus (*Tick)(TintboxWindowless* self, int32_t elapsed_ms);
    /** The interval the control's timer wants now, 0 when none runs (for hosts that pump
     * Tick from their own loop). */
    TintboxStatus (*TimerInterval)(TintboxWindowless* self, int32_t* interval_ms);
    /** About the last failed call on this instance: a UTF-8 message ("" when none), valid
     * until the next call. */
    const char* (*ErrorMessage)(TintboxWindowless* self);
} TintboxWindowlessVtbl;

/** A windowless instance: a pointer to its table of functions. */
struct TintboxWindowless {
    const TintboxWindowlessVtbl* vtbl; /**< its functions */
};

#ifdef __cplusplus
}
#endif

#endif /* TINTBOX_TINTBOX_WINDOWLESS_H */
