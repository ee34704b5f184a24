/* A windowless host in plain C, headless: it loads the shell library, shows the control
 * in a buffer of its own, serves a fake site (timer, pointer, focus, clipboard, screen)
 * and forwards a person's input the way a toolkit host would. It compares what Draw
 * gives with the Qt widget's own grab (made by windowless_reference), and checks the
 * colour, Change events, invalidated rectangles, pointer shapes and bad calls.
 *
 * usage: windowless_host_test path/to/libtintboxctl.so path/to/windowless_reference
 * (with `--exit-holding WHAT` after them it is the host that the exit test runs) */
#define _XOPEN_SOURCE 700

#include <dlfcn.h>
#include <limits.h>
#include <malloc.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tintbox/tintbox_windowless.h"

#include "check.h"

/* ---- The fake site ------------------------------------------------------------------ */

#define MAX_RECTS 256

typedef struct Site {
    TintboxRect rects[MAX_RECTS];
    int rect_count;
    int timer_interval; /* 0: stopped */
    int timer_starts;
    int pointer;
    int pointer_calls;
    int focus_requests;
    char clipboard[256];
    int screen_x, screen_y;
    uint32_t screen_rgb;
    int changes;
    int property_changes;
    char last_property[32];
    int handler_errors;
    int unavailable;
    int eyedropper_states; /* calls of eyedropper_state */
    int eyedropper_mode;
    int system_pick_open;
    int system_pick_opened; /* times it was told open */
} Site;

static void site_invalidate(void* context, const TintboxRect* area) {
    Site* site = context;
    if (site->rect_count < MAX_RECTS) {
        site->rects[site->rect_count++] = *area;
    }
}
static void site_start_timer(void* context, int32_t interval) {
    Site* site = context;
    site->timer_interval = interval;
    ++site->timer_starts;
}
static void site_stop_timer(void* context) {
    ((Site*)context)->timer_interval = 0;
}
static void site_set_pointer(void* context, int32_t shape) {
    Site* site = context;
    site->pointer = shape;
    ++site->pointer_calls;
}
static void site_request_focus(void* context) {
    ++((Site*)context)->focus_requests;
}
static const char* site_get_clipboard(void* context) {
    return ((Site*)context)->clipboard;
}
static void site_set_clipboard(void* context, const char* text, size_t length) {
    Site* site = context;
    if (length < sizeof site->clipboard) {
        memcpy(site->clipboard, text, length);
        site->clipboard[length] = 0;
    }
}
static int32_t site_pointer_position(void* context, int32_t* x, int32_t* y) {
    Site* site = context;
    *x = site->screen_x;
    *y = site->screen_y;
    return 1;
}
static int32_t site_read_pixel(void* context, int32_t x, int32_t y, uint32_t* rgb) {
    Site* site = context;
    *rgb = (x == site->screen_x && y == site->screen_y) ? site->screen_rgb : 0;
    return 1;
}
static void site_event(void* context, int32_t event, const char* detail) {
    Site* site = context;
    switch (event) {
        case TINTBOX_EVENT_CHANGE:
            ++site->changes;
            break;
        case TINTBOX_EVENT_PROPERTY_CHANGED:
            ++site->property_changes;
            snprintf(site->last_property, sizeof site->last_property, "%s", detail);
            break;
        case TINTBOX_EVENT_HANDLER_ERROR:
            ++site->handler_errors;
            break;
        case TINTBOX_EVENT_EYEDROPPER_UNAVAILABLE:
            ++site->unavailable;
            break;
    }
}

static void site_eyedropper_state(void* context, int32_t mode, int32_t system_pick_open) {
    Site* site = context;
    ++site->eyedropper_states;
    site->eyedropper_mode = mode;
    if (system_pick_open && !site->system_pick_open) {
        ++site->system_pick_opened;
    }
    site->system_pick_open = system_pick_open;
}

static TintboxSite make_site(Site* state, int with_screen) {
    TintboxSite site;
    memset(&site, 0, sizeof site);
    site.size = sizeof site;
    site.context = state;
    site.invalidate = site_invalidate;
    site.start_timer = site_start_timer;
    site.stop_timer = site_stop_timer;
    site.set_pointer = site_set_pointer;
    site.request_focus = site_request_focus;
    site.get_clipboard_text = site_get_clipboard;
    site.set_clipboard_text = site_set_clipboard;
    if (with_screen) {
        site.get_pointer_position = site_pointer_position;
        site.read_screen_pixel = site_read_pixel;
    }
    site.event = site_event;
    site.eyedropper_state = site_eyedropper_state;
    return site;
}

/* ---- Images and geometry ------------------------------------------------------------ */

typedef struct Image {
    int width, height;
    uint32_t* pixels; /* stride = width */
} Image;

static Image new_image(int width, int height, uint32_t fill) {
    Image image = {width, height, malloc((size_t)width * (size_t)height * 4)};
    for (int i = 0; i < width * height; ++i) {
        image.pixels[i] = fill;
    }
    return image;
}

typedef struct Place {
    char name[32];
    int x, y, width, height;
} Place;

static Place places[64];
static int place_count = 0;

static Place place_of(const char* name) {
    for (int i = 0; i < place_count; ++i) {
        if (strcmp(places[i].name, name) == 0) {
            return places[i];
        }
    }
    fprintf(stderr, "no view %s in the reference geometry\n", name);
    exit(2);
}

/* Runs the Qt widget's grab at width x height (logical pixels), colour and scale. */
static Image reference(const char* program, int width, int height, int32_t rgb, const char* scale) {
    char image_path[] = "/tmp/tintbox-reference-XXXXXX";
    char geometry_path[] = "/tmp/tintbox-geometry-XXXXXX";
    close(mkstemp(image_path));
    close(mkstemp(geometry_path));
    char command[1024];
    snprintf(command, sizeof command,
             "QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=%s '%s' %s %s %d %d %d", scale, program,
             image_path, geometry_path, width, height, rgb);
    if (system(command) != 0) {
        fprintf(stderr, "the reference program failed: %s\n", command);
        exit(2);
    }
    Image image = {0, 0, NULL};
    FILE* in = fopen(image_path, "rb");
    if (in == NULL || fscanf(in, "%d %d", &image.width, &image.height) != 2 || fgetc(in) != '\n') {
        fprintf(stderr, "unreadable reference image\n");
        exit(2);
    }
    image.pixels = malloc((size_t)image.width * (size_t)image.height * 4);
    if (fread(image.pixels, 4, (size_t)image.width * (size_t)image.height, in) !=
        (size_t)image.width * (size_t)image.height) {
        fprintf(stderr, "short reference image\n");
        exit(2);
    }
    fclose(in);
    FILE* lines = fopen(geometry_path, "r");
    place_count = 0;
    while (lines != NULL && place_count < 64 &&
           fscanf(lines, "%31s %d %d %d %d", places[place_count].name, &places[place_count].x,
                  &places[place_count].y, &places[place_count].width,
                  &places[place_count].height) == 5) {
        ++place_count;
    }
    if (lines != NULL) {
        fclose(lines);
    }
    unlink(image_path);
    unlink(geometry_path);
    return image;
}

/* Pixels whose channels differ by more than `tolerance`. */
static int differing_pixels(const Image* a, const Image* b, int tolerance) {
    if (a->width != b->width || a->height != b->height) {
        return -1;
    }
    int count = 0;
    for (int i = 0; i < a->width * a->height; ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int d =
                (int)((a->pixels[i] >> shift) & 0xFF) - (int)((b->pixels[i] >> shift) & 0xFF);
            if (d > tolerance || d < -tolerance) {
                ++count;
                break;
            }
        }
    }
    return count;
}

static int inside_some(const Site* site, int x, int y) {
    for (int i = 0; i < site->rect_count; ++i) {
        const TintboxRect* r = &site->rects[i];
        if (x >= r->x && y >= r->y && x < r->x + r->width && y < r->y + r->height) {
            return 1;
        }
    }
    return 0;
}

/* Every pixel that changed between two draws lies in a rectangle the site was told. */
static int changes_invalidated(const Site* site, const Image* before, const Image* after) {
    for (int y = 0; y < before->height; ++y) {
        for (int x = 0; x < before->width; ++x) {
            const int i = y * before->width + x;
            if (before->pixels[i] != after->pixels[i] && !inside_some(site, x, y)) {
                fprintf(stderr, "pixel %d,%d changed without an invalidated rectangle\n", x, y);
                return 0;
            }
        }
    }
    return 1;
}

static long invalidated_area(const Site* site) {
    long area = 0;
    for (int i = 0; i < site->rect_count; ++i) {
        area += (long)site->rects[i].width * site->rects[i].height;
    }
    return area;
}

/* ---- Driving the control ------------------------------------------------------------ */

static TintboxClassFactory* factory;

static TintboxWindowless* create(void) {
    TintboxWindowless* control = NULL;
    CHECK_STATUS(
        factory->vtbl->CreateInstance(factory, &TINTBOX_IID_Windowless, (TintboxControl**)&control),
        TINTBOX_OK);
    if (control == NULL) {
        exit(1);
    }
    return control;
}

static TintboxControl* dispatch_of(TintboxWindowless* control) {
    TintboxControl* dispatch = NULL;
    CHECK_STATUS(control->vtbl->GetDispatch(control, &dispatch), TINTBOX_OK);
    return dispatch;
}

static int32_t get_long(TintboxWindowless* control, int32_t dispatch_id) {
    TintboxControl* dispatch = dispatch_of(control);
    TintboxVariant result;
    memset(&result, 0, sizeof result);
    CHECK_STATUS(dispatch->vtbl->Invoke(dispatch, dispatch_id,
                                        TINTBOX_INVOKE_METHOD | TINTBOX_INVOKE_PROPERTYGET, NULL, 0,
                                        &result),
                 TINTBOX_OK);
    dispatch->vtbl->Release(dispatch);
    return result.type == TINTBOX_VT_I2 ? result.value.i2 : result.value.i4;
}

static void set_rgb(TintboxWindowless* control, int32_t rgb) {
    TintboxControl* dispatch = dispatch_of(control);
    TintboxVariant value;
    memset(&value, 0, sizeof value);
    value.type = TINTBOX_VT_I4;
    value.value.i4 = rgb;
    CHECK_STATUS(dispatch->vtbl->Invoke(dispatch, TINTBOX_DISPID_SetRGB, TINTBOX_INVOKE_METHOD,
                                        &value, 1, NULL),
                 TINTBOX_OK);
    dispatch->vtbl->Release(dispatch);
}

/* The picture the reference program sets too. */
static int32_t spectrum_pixels[64 * 48];
static void set_spectrum(TintboxWindowless* control) {
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            spectrum_pixels[y * 64 + x] = (x * 4) | ((y * 5) << 8) | (128 << 16);
        }
    }
    TintboxControl* dispatch = dispatch_of(control);
    TintboxVariant value;
    memset(&value, 0, sizeof value);
    value.type = TINTBOX_VT_PICTURE;
    value.value.picture.width = 64;
    value.value.picture.height = 48;
    value.value.picture.pixels = spectrum_pixels;
    CHECK_STATUS(dispatch->vtbl->Invoke(dispatch, TINTBOX_DISPID_Picture,
                                        TINTBOX_INVOKE_PROPERTYPUTREF, &value, 1, NULL),
                 TINTBOX_OK);
    dispatch->vtbl->Release(dispatch);
}

static int32_t send(TintboxWindowless* control, int32_t kind, int32_t x, int32_t y, int32_t button,
                    int32_t key, int32_t modifiers, const char* text) {
    TintboxInputEvent event;
    memset(&event, 0, sizeof event);
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.button = button;
    event.key = key;
    event.modifiers = modifiers;
    event.text = text;
    int32_t handled = -1;
    CHECK_STATUS(control->vtbl->Input(control, &event, &handled), TINTBOX_OK);
    return handled;
}

static void click(TintboxWindowless* control, int x, int y) {
    send(control, TINTBOX_INPUT_MOVE, x, y, 0, 0, 0, NULL);
    send(control, TINTBOX_INPUT_PRESS, x, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
    send(control, TINTBOX_INPUT_RELEASE, x, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
}

static Image draw(TintboxWindowless* control) {
    int32_t width = 0;
    int32_t height = 0;
    CHECK_STATUS(control->vtbl->GetExtent(control, &width, &height), TINTBOX_OK);
    Image image = new_image(width, height, 0);
    CHECK_STATUS(control->vtbl->Draw(control, image.pixels, width, height, width * 4, NULL),
                 TINTBOX_OK);
    return image;
}

static int centre_x(Place p, double ratio) {
    return (int)((p.x + p.width / 2) * ratio);
}
static int centre_y(Place p, double ratio) {
    return (int)((p.y + p.height / 2) * ratio);
}

/* ---- Tests -------------------------------------------------------------------------- */

/* What Draw shows is what the Qt widget shows: at ratio 1 exactly; at 1.5 and 2 up to
 * half a percent of pixels off by more than 24 a channel (the scroll-bar arrows, which
 * the style scales from pixmaps made at the screen's ratio). A wrong colour, offset or
 * scale changes far more. */
static void draw_looks_like_the_qt_widget(const char* reference_program, Site* state) {
    static const struct {
        double ratio;
        const char* scale;
        int width, height;
        int tolerance;   /* per channel */
        int max_changed; /* per thousand pixels beyond the tolerance */
    } rows[] = {
        {1.0, "1", 318, 225, 0, 0},
        {1.0, "1", 400, 225, 0, 0},
        {2.0, "2", 318, 225, 24, 5},
        {1.5, "1.5", 318, 225, 24, 5},
    };
    for (size_t row = 0; row < sizeof rows / sizeof rows[0]; ++row) {
        TintboxWindowless* control = create();
        TintboxSite site = make_site(state, 1);
        CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
        CHECK_STATUS(control->vtbl->SetExtent(control, (int32_t)(rows[row].width * rows[row].ratio),
                                              (int32_t)(rows[row].height * rows[row].ratio),
                                              rows[row].ratio),
                     TINTBOX_OK);
        set_spectrum(control);
        set_rgb(control, 0x3366CC);
        Image drawn = draw(control);
        Image expected = reference(reference_program, rows[row].width, rows[row].height, 0x3366CC,
                                   rows[row].scale);
        const int differing = differing_pixels(&drawn, &expected, rows[row].tolerance);
        if (differing != 0) {
            fprintf(stderr, "ratio %.1f, %d x %d: %d of %d pixels differ (%d x %d vs %d x %d)\n",
                    rows[row].ratio, rows[row].width, rows[row].height, differing,
                    drawn.width * drawn.height, drawn.width, drawn.height, expected.width,
                    expected.height);
        }
        CHECK(differing >= 0 &&
              differing * 1000L <= (long)rows[row].max_changed * drawn.width * drawn.height);
        free(drawn.pixels);
        free(expected.pixels);
        CHECK(control->vtbl->Release(control) == 0);
    }
}

/* Draw limited to an area writes that area as a full draw does, and nothing else. */
static void drawing_an_area_touches_only_that_area(TintboxWindowless* control) {
    Image full = draw(control);
    Image part = new_image(full.width, full.height, 0x12345678u);
    const TintboxRect area = {30, 40, 101, 70}; /* across a thumb's edge */
    CHECK_STATUS(
        control->vtbl->Draw(control, part.pixels, part.width, part.height, part.width * 4, &area),
        TINTBOX_OK);
    int wrong = 0;
    for (int y = 0; y < full.height; ++y) {
        for (int x = 0; x < full.width; ++x) {
            const int i = y * full.width + x;
            const int inside =
                x >= area.x && y >= area.y && x < area.x + area.width && y < area.y + area.height;
            wrong += inside ? part.pixels[i] != full.pixels[i] : part.pixels[i] != 0x12345678u;
        }
    }
    CHECK(wrong == 0);
    free(full.pixels);
    free(part.pixels);
}

static void reset(Site* state) {
    state->rect_count = 0;
    state->changes = 0;
}

static int min_int(int a, int b) {
    return a < b ? a : b;
}

/* The picture's colour drawn at a pixel (RGB order as GetRGB gives it), or -1 where
 * something else is drawn: set_spectrum's pixels all have blue 128, red a multiple of 4
 * and green a multiple of 5. */
static int32_t picture_color(uint32_t drawn) {
    const int red = (drawn >> 16) & 0xFF;
    const int green = (drawn >> 8) & 0xFF;
    const int blue = drawn & 0xFF;
    if (blue != 128 || red % 4 != 0 || green % 5 != 0 || green >= 48 * 5) {
        return -1;
    }
    return red | (green << 8) | (blue << 16);
}

/* Presses at device pixel (x, y) and tells whether what it picked is what `full` shows
 * there: the picture's colour, or nothing where something else is drawn. */
static int press_picks_what_is_drawn(TintboxWindowless* control, const Image* full, int x, int y) {
    const int32_t before = get_long(control, TINTBOX_DISPID_GetRGB);
    send(control, TINTBOX_INPUT_PRESS, x, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
    send(control, TINTBOX_INPUT_RELEASE, x, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
    const int32_t drawn = picture_color(full->pixels[y * full->width + x]);
    const int32_t picked = get_long(control, TINTBOX_DISPID_GetRGB);
    if (picked != (drawn >= 0 ? drawn : before)) {
        fprintf(stderr, "device pixel %d,%d shows %06X and picked %06X\n", x, y,
                (unsigned)(full->pixels[y * full->width + x] & 0xFFFFFF), (unsigned)picked);
        return 0;
    }
    return 1;
}

/* Draw limited to `area` (clipped to the control) writes what the full draw wrote there
 * and nothing anywhere else. */
static int partial_draw_matches(TintboxWindowless* control, const Image* full, TintboxRect area) {
    Image part = new_image(full->width, full->height, 0x12345678u);
    CHECK_STATUS(
        control->vtbl->Draw(control, part.pixels, part.width, part.height, part.width * 4, &area),
        TINTBOX_OK);
    int wrong = 0;
    for (int y = 0; y < full->height; ++y) {
        for (int x = 0; x < full->width; ++x) {
            const int i = y * full->width + x;
            const int inside = (int64_t)x >= area.x && (int64_t)y >= area.y &&
                               (int64_t)x < (int64_t)area.x + area.width &&
                               (int64_t)y < (int64_t)area.y + area.height;
            wrong += inside ? part.pixels[i] != full->pixels[i] : part.pixels[i] != 0x12345678u;
        }
    }
    if (wrong != 0) {
        fprintf(stderr, "Draw of %d,%d %d x %d: %d pixels wrong\n", area.x, area.y, area.width,
                area.height, wrong);
    }
    free(part.pixels);
    return wrong == 0;
}

/* At every ratio a host may draw at: a press on any device pixel of the spectrum picks
 * the colour drawn there (every column along the spectrum's edge rows and its middle row,
 * every row along its edge and middle columns), every pixel that a press changes lies in
 * an invalidated rectangle, and Draw of an area, odd places and the integer limits
 * included, equals the full draw inside it and leaves the rest alone. */
static void geometry_holds_at_every_ratio(const char* reference_program, Site* state) {
    static const struct {
        double ratio;
        int width; /* logical pixels: 600 is the full layout */
    } rows[] = {{1.0, 318}, {1.25, 320}, {1.5, 600}, {1.75, 320}, {2.0, 318}, {3.0, 318}};
    static const TintboxRect limit_areas[] = {
        {2147483642, 0, 10, 10},
        {INT32_MIN, 0, INT32_MAX, 100},
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
        {-5, -5, INT32_MAX, INT32_MAX},
    };
    for (size_t row = 0; row < sizeof rows / sizeof rows[0]; ++row) {
        const double ratio = rows[row].ratio;
        Image layout = reference(reference_program, rows[row].width, 225, 0, "1");
        free(layout.pixels);
        const Place spectrum = place_of("ColorFrame");
        TintboxWindowless* control = create();
        TintboxSite site = make_site(state, 1);
        CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
        CHECK_STATUS(control->vtbl->SetExtent(control, (int32_t)(rows[row].width * ratio),
                                              (int32_t)(225 * ratio), ratio),
                     TINTBOX_OK);
        set_spectrum(control);
        set_rgb(control, 0x010203);
        Image full = draw(control);

        /* The spectrum and a device pixel more on every side, within the control. */
        const int left = (int)(spectrum.x * ratio) - 1;
        const int top = (int)(spectrum.y * ratio) - 1;
        const int right = min_int((int)((spectrum.x + spectrum.width) * ratio) + 1, full.width - 1);
        const int bottom =
            min_int((int)((spectrum.y + spectrum.height) * ratio) + 1, full.height - 1);
        const int rows_along[] = {top,        top + 1,    top + 2, (top + bottom) / 2,
                                  bottom - 2, bottom - 1, bottom};
        const int columns_along[] = {left,      left + 1,  left + 2, (left + right) / 2,
                                     right - 2, right - 1, right};
        int wrong_picks = 0;
        for (int i = 0; i < 7; ++i) {
            for (int x = left; x <= right; ++x) {
                wrong_picks += !press_picks_what_is_drawn(control, &full, x, rows_along[i]);
            }
            for (int y = top; y <= bottom; ++y) {
                wrong_picks += !press_picks_what_is_drawn(control, &full, columns_along[i], y);
            }
        }
        CHECK(wrong_picks == 0);

        /* A press changes the fields, the scroll bars and the swatch. */
        static const struct { int x, y; } presses[] = {{10, 10}, {70, 150}, {150, 40}};
        for (size_t i = 0; i < sizeof presses / sizeof presses[0]; ++i) {
            Image before = draw(control);
            reset(state);
            click(control, (int)((spectrum.x + presses[i].x) * ratio),
                  (int)((spectrum.y + presses[i].y) * ratio));
            Image after = draw(control);
            CHECK(changes_invalidated(state, &before, &after));
            free(before.pixels);
            free(after.pixels);
        }

        Image current = draw(control);
        uint32_t seed = 12345u;
        int wrong_draws = 0;
        for (int i = 0; i < 40; ++i) {
            seed = seed * 1103515245u + 12345u;
            const int x = (int)(seed >> 8) % current.width;
            seed = seed * 1103515245u + 12345u;
            const int y = (int)(seed >> 8) % current.height;
            seed = seed * 1103515245u + 12345u;
            const int width = 1 + (int)(seed >> 8) % (current.width - x);
            seed = seed * 1103515245u + 12345u;
            const int height = 1 + (int)(seed >> 8) % (current.height - y);
            const TintboxRect area = {x, y, width, height};
            wrong_draws += !partial_draw_matches(control, &current, area);
        }
        for (size_t i = 0; i < sizeof limit_areas / sizeof limit_areas[0]; ++i) {
            wrong_draws += !partial_draw_matches(control, &current, limit_areas[i]);
        }
        if (wrong_picks != 0 || wrong_draws != 0) {
            fprintf(stderr, "at ratio %.2f: %d wrong picks, %d wrong draws\n", ratio, wrong_picks,
                    wrong_draws);
        }
        CHECK(wrong_draws == 0);
        free(current.pixels);
        free(full.pixels);
        CHECK(control->vtbl->Release(control) == 0);
    }
    Image layout = reference(reference_program, 318, 225, 0, "1"); /* for the tests after */
    free(layout.pixels);
}

/* Draw paints again only what changed since the last Draw. After clicks on the spectrum
 * and into a field, each followed by a Draw, it shows what a twin that never drew before
 * shows after the same clicks, at ratios where logical pixels end inside device pixels. */
static void drawing_after_changes_matches_a_first_draw(Site* state) {
    static const double ratios[] = {0.75, 1.5, 1.75};
    const Place spectrum = place_of("Colors");
    const Place green = place_of("txtGreen");
    const struct {
        int x, y; /* logical pixels */
    } spots[] = {{spectrum.x + 10, spectrum.y + 10},
                 {spectrum.x + 60, spectrum.y + 40},
                 {green.x + green.width / 2, green.y + green.height / 2}};
    for (size_t row = 0; row < sizeof ratios / sizeof ratios[0]; ++row) {
        const double ratio = ratios[row];
        Image drawn[2];
        for (int twin = 0; twin < 2; ++twin) {
            TintboxWindowless* control = create();
            TintboxSite site = make_site(state, 1);
            CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
            CHECK_STATUS(control->vtbl->SetExtent(control, (int32_t)(318 * ratio),
                                                  (int32_t)(225 * ratio), ratio),
                         TINTBOX_OK);
            set_spectrum(control);
            for (size_t i = 0; i < sizeof spots / sizeof spots[0]; ++i) {
                if (twin == 0) {
                    free(draw(control).pixels);
                }
                click(control, (int)(spots[i].x * ratio), (int)(spots[i].y * ratio));
            }
            drawn[twin] = draw(control);
            CHECK_STATUS(control->vtbl->SetSite(control, NULL), TINTBOX_OK);
            CHECK(control->vtbl->Release(control) == 0);
        }
        const size_t bytes = (size_t)drawn[0].width * (size_t)drawn[0].height * 4;
        const int same = drawn[0].width == drawn[1].width && drawn[0].height == drawn[1].height &&
                         memcmp(drawn[0].pixels, drawn[1].pixels, bytes) == 0;
        if (!same) {
            fprintf(stderr, "at ratio %.2f a Draw after changes differs from a first Draw\n",
                    ratio);
        }
        CHECK(same);
        free(drawn[0].pixels);
        free(drawn[1].pixels);
    }
}

/* A click on the spectrum picks the colour drawn under the pointer; the site hears
 * Change and the rectangles of the views that changed, not the whole control. */
static void click_on_the_spectrum_picks_what_is_drawn(TintboxWindowless* control, Site* state) {
    const Place spectrum = place_of("Colors");
    const int x = spectrum.x + 20;
    const int y = spectrum.y + 30;
    Image before = draw(control);
    const uint32_t shown = before.pixels[y * before.width + x];
    const int32_t expected =
        (int32_t)(((shown >> 16) & 0xFF) | (shown & 0xFF00) | ((shown & 0xFF) << 16));
    reset(state);
    const int focus_requests = state->focus_requests;
    send(control, TINTBOX_INPUT_MOVE, x, y, 0, 0, 0, NULL);
    send(control, TINTBOX_INPUT_PRESS, x, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
    CHECK(state->pointer == TINTBOX_POINTER_CURSOR_A); /* picking while held */
    send(control, TINTBOX_INPUT_RELEASE, x, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
    CHECK(get_long(control, TINTBOX_DISPID_GetRGB) == expected);
    CHECK(state->changes >= 1);
    CHECK(state->focus_requests == focus_requests + 1);
    Image after = draw(control);
    CHECK(changes_invalidated(state, &before, &after));
    CHECK(invalidated_area(state) > 0);
    CHECK(invalidated_area(state) < (long)after.width * after.height);
    free(before.pixels);
    free(after.pixels);
}

/* Typing into txtGreen after selecting its text sets the green component. */
static void typing_into_txt_green_sets_green(TintboxWindowless* control, Site* state) {
    const Place green = place_of("txtGreen");
    click(control, centre_x(green, 1), centre_y(green, 1));
    send(control, TINTBOX_INPUT_FOCUS_IN, 0, 0, 0, 0, 0, NULL);
    Image before = draw(control);
    reset(state);
    CHECK(send(control, TINTBOX_INPUT_KEY, 0, 0, 0, 'A', TINTBOX_MOD_CTRL, NULL) == 1);
    CHECK(send(control, TINTBOX_INPUT_TEXT, 0, 0, 0, 0, 0, "200") == 1);
    CHECK(get_long(control, TINTBOX_DISPID_GetGreen) == 200);
    CHECK(state->changes >= 1);
    Image after = draw(control);
    CHECK(changes_invalidated(state, &before, &after));
    CHECK(invalidated_area(state) < (long)after.width * after.height);
    /* Copy and paste go through the site's clipboard. */
    CHECK(send(control, TINTBOX_INPUT_KEY, 0, 0, 0, 'A', TINTBOX_MOD_CTRL, NULL) == 1);
    CHECK(send(control, TINTBOX_INPUT_KEY, 0, 0, 0, 'C', TINTBOX_MOD_CTRL, NULL) == 1);
    CHECK(strcmp(state->clipboard, "200") == 0);
    strcpy(state->clipboard, "17");
    CHECK(send(control, TINTBOX_INPUT_KEY, 0, 0, 0, 'V', TINTBOX_MOD_CTRL, NULL) == 1);
    CHECK(get_long(control, TINTBOX_DISPID_GetGreen) == 17);
    /* Keys that are the host's come back unhandled. */
    CHECK(send(control, TINTBOX_INPUT_KEY, 0, 0, 0, TINTBOX_KEY_RETURN, 0, NULL) == 0);
    CHECK(send(control, TINTBOX_INPUT_KEY, 0, 0, 0, TINTBOX_KEY_ESCAPE, 0, NULL) == 0);
    CHECK(send(control, TINTBOX_INPUT_KEY, 0, 0, 0, TINTBOX_KEY_UP, 0, NULL) == 0);
    free(before.pixels);
    free(after.pixels);
}

/* Tab visits every stop and comes back unhandled at the last one, so that the host moves
 * its focus on; Shift+Tab does the same backwards. Each move is redrawn. */
static void tab_visits_every_stop_then_leaves(TintboxWindowless* control, Site* state) {
    send(control, TINTBOX_INPUT_FOCUS_OUT, 0, 0, 0, 0, 0, NULL);
    send(control, TINTBOX_INPUT_FOCUS_IN, 0, 0, 0, TINTBOX_KEY_TAB, 0, NULL);
    int stops = 1;
    for (;;) {
        Image before = draw(control);
        reset(state);
        const int32_t handled = send(control, TINTBOX_INPUT_KEY, 0, 0, 0, TINTBOX_KEY_TAB, 0, NULL);
        Image after = draw(control);
        if (handled) {
            CHECK(state->rect_count > 0);
            CHECK(changes_invalidated(state, &before, &after));
        }
        free(before.pixels);
        free(after.pixels);
        if (!handled || stops > 40) {
            break;
        }
        ++stops;
    }
    CHECK(stops == 9);
    int back = 1;
    while (send(control, TINTBOX_INPUT_KEY, 0, 0, 0, TINTBOX_KEY_TAB, TINTBOX_MOD_SHIFT, NULL) &&
           back <= 40) {
        ++back;
    }
    CHECK(back == 9);
    send(control, TINTBOX_INPUT_FOCUS_OUT, 0, 0, 0, 0, 0, NULL);
}

/* Dragging the red thumb shows it moving and commits one value on release. */
static void dragging_a_thumb_commits_on_release(TintboxWindowless* control, Site* state) {
    set_rgb(control, 0);
    const Place bar = place_of("hsRed");
    const int arrow = bar.height;
    const int y = centre_y(bar, 1);
    const int thumb = bar.x + arrow + bar.height / 2; /* value 0: the thumb next to the arrow */
    send(control, TINTBOX_INPUT_MOVE, thumb, y, 0, 0, 0, NULL);
    send(control, TINTBOX_INPUT_PRESS, thumb, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
    reset(state);
    Image before = draw(control);
    send(control, TINTBOX_INPUT_MOVE, thumb + 25, y, 0, 0, 0, NULL);
    Image during = draw(control);
    CHECK(get_long(control, TINTBOX_DISPID_GetRed) == 0); /* pending until the release */
    CHECK(state->changes == 0);
    CHECK(differing_pixels(&before, &during, 0) > 0);
    CHECK(changes_invalidated(state, &before, &during));
    send(control, TINTBOX_INPUT_RELEASE, thumb + 25, y, TINTBOX_BUTTON_LEFT, 0, 0, NULL);
    CHECK(get_long(control, TINTBOX_DISPID_GetRed) > 0);
    CHECK(state->changes >= 1);
    free(before.pixels);
    free(during.pixels);
}

/* The right button over the spectrum reads the screen every tick of the site's timer
 * through the site's screen reader; the pointer shows the eyedropper's cursor. */
static void eyedropper_reads_the_site_screen(TintboxWindowless* control, Site* state) {
    const Place spectrum = place_of("Colors");
    const int x = spectrum.x + 40;
    const int y = spectrum.y + 40;
    send(control, TINTBOX_INPUT_MOVE, x, y, 0, 0, 0, NULL);
    CHECK(state->pointer == TINTBOX_POINTER_DEFAULT);
    state->screen_x = 700;
    state->screen_y = 500;
    state->screen_rgb = 0x123456;
    send(control, TINTBOX_INPUT_PRESS, x, y, TINTBOX_BUTTON_RIGHT, 0, 0, NULL);
    CHECK(state->pointer == TINTBOX_POINTER_CURSOR_B);
    CHECK(state->timer_interval == 10);
    int32_t interval = 0;
    CHECK_STATUS(control->vtbl->TimerInterval(control, &interval), TINTBOX_OK);
    CHECK(interval == 10);
    CHECK_STATUS(control->vtbl->Tick(control, 10), TINTBOX_OK);
    CHECK(get_long(control, TINTBOX_DISPID_GetRGB) == 0x563412);
    state->screen_rgb = 0xABCDEF;
    CHECK_STATUS(control->vtbl->Tick(control, 10), TINTBOX_OK);
    CHECK(get_long(control, TINTBOX_DISPID_GetRGB) == 0xEFCDAB);
    send(control, TINTBOX_INPUT_RELEASE, x, y, TINTBOX_BUTTON_RIGHT, 0, 0, NULL);
    CHECK(state->timer_interval == 0);
    CHECK(state->pointer == TINTBOX_POINTER_DEFAULT);
}

/* A wheel notch over a bar moves it one step; a double click selects a field's text. */
/* A wheel turned over a field is the host's to use (the bars' steps are contract rows). */
static void wheel_outside_a_bar_is_left_to_the_host(TintboxWindowless* control) {
    const Place dec = place_of("txtDec");
    TintboxInputEvent wheel;
    memset(&wheel, 0, sizeof wheel);
    wheel.kind = TINTBOX_INPUT_WHEEL;
    wheel.x = centre_x(dec, 1);
    wheel.y = centre_y(dec, 1);
    wheel.delta = 1;
    int32_t handled = 1;
    CHECK_STATUS(control->vtbl->Input(control, &wheel, &handled), TINTBOX_OK);
    CHECK(handled == 0); /* the host may scroll its own view */
}

/* Pointer shapes follow what is under the pointer, as the Qt widget's cursors do. */
static void pointer_follows_the_view_under_it(TintboxWindowless* control, Site* state) {
    const Place dec = place_of("txtDec");
    send(control, TINTBOX_INPUT_MOVE, centre_x(dec, 1), centre_y(dec, 1), 0, 0, 0, NULL);
    CHECK(state->pointer == TINTBOX_POINTER_TEXT);
    const Place red = place_of("hsRed");
    send(control, TINTBOX_INPUT_MOVE, centre_x(red, 1), centre_y(red, 1), 0, 0, 0, NULL);
    CHECK(state->pointer == TINTBOX_POINTER_DEFAULT);
    const int calls = state->pointer_calls;
    send(control, TINTBOX_INPUT_MOVE, centre_x(red, 1) + 1, centre_y(red, 1), 0, 0, 0, NULL);
    CHECK(state->pointer_calls == calls); /* told only when it changes */
}

/* A screen that cannot be read is reported to the host, once per right-button press. */
static void eyedropper_without_a_screen_reports_unavailable(Site* state) {
    TintboxWindowless* control = create();
    TintboxSite site = make_site(state, 0);
    CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
    set_spectrum(control);
    const Place spectrum = place_of("Colors");
    state->unavailable = 0;
    CHECK(state->eyedropper_mode == TINTBOX_EYEDROPPER_UNAVAILABLE);
    CHECK(state->system_pick_open == 0);
    set_rgb(control, 0x010203);
    send(control, TINTBOX_INPUT_PRESS, spectrum.x + 10, spectrum.y + 10, TINTBOX_BUTTON_RIGHT, 0, 0,
         NULL);
    for (int i = 0; i < 3; ++i) {
        CHECK_STATUS(control->vtbl->Tick(control, 10), TINTBOX_OK);
    }
    send(control, TINTBOX_INPUT_RELEASE, spectrum.x + 10, spectrum.y + 10, TINTBOX_BUTTON_RIGHT, 0,
         0, NULL);
    CHECK(state->unavailable == 1);
    CHECK(get_long(control, TINTBOX_DISPID_GetRGB) == 0x010203);
    CHECK(control->vtbl->Release(control) == 0);
}

/* Ticks until `*flag` is `wanted`, for at most twenty seconds (a loaded machine starts the
 * bus and the portal slowly): the desktop portal answers in its own time, and a library that
 * runs Qt itself hears it only inside the host's calls. */
static int tick_until(TintboxWindowless* control, const int* flag, int wanted) {
    for (int i = 0; i < 2000 && *flag != wanted; ++i) {
        const struct timespec ten_ms = {0, 10000000};
        nanosleep(&ten_ms, NULL);
        CHECK_STATUS(control->vtbl->Tick(control, 10), TINTBOX_OK);
    }
    return *flag == wanted;
}

/* No screen to read, and a desktop portal on the session bus (run_with_fake_portal.sh,
 * which answers every pick with 0.2 0.4 0.6): the right button let go opens the desktop's
 * picker, the site keeps ticking while it is open, and the picked colour arrives as one
 * Change. */
static void eyedropper_goes_through_the_desktop_picker(Site* state) {
    TintboxWindowless* control = create();
    TintboxSite site = make_site(state, 0);
    CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
    CHECK(tick_until(control, &state->eyedropper_mode, TINTBOX_EYEDROPPER_SYSTEM_PICKER));
    set_spectrum(control);
    set_rgb(control, 0x010203);
    const Place spectrum = place_of("Colors");
    state->unavailable = 0;
    const int changes = state->changes;
    const int opened = state->system_pick_opened;
    send(control, TINTBOX_INPUT_PRESS, spectrum.x + 10, spectrum.y + 10, TINTBOX_BUTTON_RIGHT, 0, 0,
         NULL);
    send(control, TINTBOX_INPUT_RELEASE, spectrum.x + 10, spectrum.y + 10, TINTBOX_BUTTON_RIGHT, 0,
         0, NULL);
    /* The portal may answer inside the release call already (a quick fake portal): what
     * counts is that the picker was opened once and, while it stays open, the site ticks. */
    CHECK(state->system_pick_opened == opened + 1);
    CHECK(!state->system_pick_open || state->timer_interval > 0);
    CHECK(tick_until(control, &state->system_pick_open, 0));
    CHECK(get_long(control, TINTBOX_DISPID_GetRGB) == (51 | 102 << 8 | 153 << 16));
    CHECK(state->changes == changes + 1);
    CHECK(state->timer_interval == 0);
    CHECK(state->unavailable == 0);
    CHECK(state->eyedropper_mode == TINTBOX_EYEDROPPER_SYSTEM_PICKER);
    CHECK(control->vtbl->Release(control) == 0);
}

static void properties_and_changes_reach_the_site(TintboxWindowless* control, Site* state) {
    state->property_changes = 0;
    set_spectrum(control);
    CHECK(state->property_changes == 1);
    CHECK(strcmp(state->last_property, "Picture") == 0);
    reset(state);
    Image before = draw(control);
    set_rgb(control, 0x00FF00);
    CHECK(state->changes == 1);
    Image after = draw(control);
    CHECK(changes_invalidated(state, &before, &after));
    CHECK(invalidated_area(state) < (long)after.width * after.height);
    free(before.pixels);
    free(after.pixels);
}

static void bad_calls_give_status_codes(Site* state) {
    TintboxWindowless* control = create();
    TintboxInputEvent event;
    memset(&event, 0, sizeof event);
    event.kind = TINTBOX_INPUT_MOVE;
    CHECK_STATUS(control->vtbl->Input(control, &event, NULL), TINTBOX_E_NO_SITE);
    CHECK(strlen(control->vtbl->ErrorMessage(control)) > 0);

    TintboxSite site = make_site(state, 1);
    TintboxSite broken = site;
    broken.invalidate = NULL;
    CHECK_STATUS(control->vtbl->SetSite(control, &broken), TINTBOX_E_INVALID_ARGUMENT);
    CHECK(strstr(control->vtbl->ErrorMessage(control), "invalidate") != NULL);
    broken = site;
    broken.stop_timer = NULL;
    CHECK_STATUS(control->vtbl->SetSite(control, &broken), TINTBOX_E_INVALID_ARGUMENT);
    broken = site;
    broken.read_screen_pixel = NULL;
    CHECK_STATUS(control->vtbl->SetSite(control, &broken), TINTBOX_E_INVALID_ARGUMENT);
    broken = site;
    broken.size = 8;
    CHECK_STATUS(control->vtbl->SetSite(control, &broken), TINTBOX_E_INVALID_ARGUMENT);
    broken.size = (uint32_t)TINTBOX_SITE_SIZE_V2 - 1;
    CHECK_STATUS(control->vtbl->SetSite(control, &broken), TINTBOX_E_INVALID_ARGUMENT);
    /* A host built before eyedropper_state: its table ends before it, and what lies
     * beyond is not the library's to call, nor is a member the size covers only in part. */
    for (size_t size = TINTBOX_SITE_SIZE_V2; size < sizeof site; ++size) {
        broken = site;
        broken.size = (uint32_t)size;
        state->eyedropper_states = 0;
        CHECK_STATUS(control->vtbl->SetSite(control, &broken), TINTBOX_OK);
        CHECK(state->eyedropper_states == 0);
    }
    CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
    CHECK(state->eyedropper_states == 1);
    CHECK(state->eyedropper_mode == TINTBOX_EYEDROPPER_LIVE);

    int32_t width = 0;
    int32_t height = 0;
    CHECK_STATUS(control->vtbl->GetExtent(control, &width, &height), TINTBOX_OK);
    Image image = new_image(width + 1, height + 1, 0);
    static const struct {
        int null_buffer;
        int32_t width, height, stride_pixels;
        TintboxStatus expected;
    } draws[] = {
        {1, 0, 0, 0, TINTBOX_E_INVALID_ARGUMENT},
        {0, -1, 0, 0, TINTBOX_E_BUFFER_TOO_SMALL},     /* one pixel narrower */
        {0, 0, -1, 0, TINTBOX_E_BUFFER_TOO_SMALL},     /* one row shorter */
        {0, 0, 0, -1, TINTBOX_E_BUFFER_TOO_SMALL},     /* a stride below the width */
        {0, -10000, 0, 0, TINTBOX_E_BUFFER_TOO_SMALL}, /* a negative width */
        {0, 0, 0, 0, TINTBOX_OK},
    };
    for (size_t i = 0; i < sizeof draws / sizeof draws[0]; ++i) {
        const int32_t w = width + draws[i].width;
        CHECK_STATUS(
            control->vtbl->Draw(control, draws[i].null_buffer ? NULL : image.pixels, w,
                                height + draws[i].height, (w + draws[i].stride_pixels) * 4, NULL),
            draws[i].expected);
        CHECK((draws[i].expected == TINTBOX_OK) ==
              (strlen(control->vtbl->ErrorMessage(control)) == 0));
    }
    CHECK_STATUS(control->vtbl->Draw(control, image.pixels, width, height, width * 4 + 2, NULL),
                 TINTBOX_E_INVALID_ARGUMENT);

    event.kind = 99;
    CHECK_STATUS(control->vtbl->Input(control, &event, NULL), TINTBOX_E_INVALID_ARGUMENT);
    event.kind = TINTBOX_INPUT_PRESS;
    event.button = 3;
    CHECK_STATUS(control->vtbl->Input(control, &event, NULL), TINTBOX_E_INVALID_ARGUMENT);
    event.kind = TINTBOX_INPUT_KEY;
    event.key = 0x7777;
    CHECK_STATUS(control->vtbl->Input(control, &event, NULL), TINTBOX_E_INVALID_ARGUMENT);
    event.kind = TINTBOX_INPUT_TEXT;
    event.text = NULL;
    CHECK_STATUS(control->vtbl->Input(control, &event, NULL), TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->Input(control, NULL, NULL), TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->SetExtent(control, 100, 100, 0.0), TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->SetExtent(control, -5, 100, 1.0), TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->Tick(control, -1), TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->GetDispatch(control, NULL), TINTBOX_E_INVALID_ARGUMENT);
    CHECK_STATUS(control->vtbl->SetSite(NULL, &site), TINTBOX_E_INVALID_ARGUMENT);

    /* After the last release every call is refused, nothing is touched. */
    CHECK(control->vtbl->Release(control) == 0);
    CHECK_STATUS(control->vtbl->Draw(control, image.pixels, width, height, width * 4, NULL),
                 TINTBOX_E_RELEASED);
    CHECK_STATUS(control->vtbl->Input(control, &event, NULL), TINTBOX_E_RELEASED);
    CHECK(strlen(control->vtbl->ErrorMessage(control)) > 0);
    CHECK(control->vtbl->AddRef(control) == 0);
    CHECK(control->vtbl->Release(control) == 0);
    free(image.pixels);
}

/* A host can release its last reference from a callback that the control makes. */
static TintboxWindowless* doomed;
static void release_on_change(void* context, int32_t event, const char* detail) {
    (void)context;
    (void)detail;
    if (event == TINTBOX_EVENT_CHANGE && doomed != NULL) {
        TintboxWindowless* last = doomed;
        doomed = NULL;
        last->vtbl->Release(last);
    }
}
static void release_from_a_callback(Site* state) {
    doomed = create();
    TintboxSite site = make_site(state, 1);
    site.event = release_on_change;
    TintboxWindowless* control = doomed;
    CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
    const Place dec = place_of("txtDec");
    click(control, centre_x(dec, 1), centre_y(dec, 1));
    send(control, TINTBOX_INPUT_TEXT, 0, 0, 0, 0, 0, "5");
    CHECK(doomed == NULL);
    CHECK_STATUS(control->vtbl->Tick(control, 10), TINTBOX_E_RELEASED);
}

/* The interface runs on one thread: calls from another are refused without touching the
 * control, and say why; a last release from there ends the instance at the next call
 * on the interface's thread. */
typedef struct ForeignCalls {
    TintboxWindowless* control;
    TintboxControl* dispatch;
    TintboxStatus statuses[4];
    TintboxWindowless* created;
    int messages_say_thread;
} ForeignCalls;

static void* call_from_another_thread(void* argument) {
    ForeignCalls* calls = argument;
    TintboxWindowless* control = calls->control;
    int32_t width = 0;
    int32_t height = 0;
    calls->statuses[0] = control->vtbl->GetExtent(control, &width, &height);
    calls->statuses[1] = control->vtbl->Tick(control, 10);
    TintboxVariant result;
    calls->statuses[2] = calls->dispatch->vtbl->Invoke(calls->dispatch, TINTBOX_DISPID_GetRGB,
                                                       TINTBOX_INVOKE_METHOD, NULL, 0, &result);
    calls->statuses[3] = factory->vtbl->CreateInstance(factory, &TINTBOX_IID_Windowless,
                                                       (TintboxControl**)&calls->created);
    calls->messages_say_thread =
        strstr(control->vtbl->ErrorMessage(control), "thread") != NULL &&
        strstr(calls->dispatch->vtbl->ErrorMessage(calls->dispatch), "thread") != NULL;
    calls->dispatch->vtbl->Release(calls->dispatch);
    control->vtbl->Release(control);
    return NULL;
}

static void other_threads_are_refused(Site* state) {
    ForeignCalls calls;
    memset(&calls, 0, sizeof calls);
    calls.control = create();
    TintboxSite site = make_site(state, 1);
    CHECK_STATUS(calls.control->vtbl->SetSite(calls.control, &site), TINTBOX_OK);
    calls.dispatch = dispatch_of(calls.control);
    pthread_t thread;
    CHECK(pthread_create(&thread, NULL, call_from_another_thread, &calls) == 0);
    pthread_join(thread, NULL);
    for (int i = 0; i < 4; ++i) {
        CHECK_STATUS(calls.statuses[i], TINTBOX_E_WRONG_THREAD);
    }
    CHECK(calls.created == NULL);
    CHECK(calls.messages_say_thread);
    CHECK_STATUS(calls.control->vtbl->Tick(calls.control, 10), TINTBOX_E_RELEASED);
}

/* A released instance frees what it held: many instances created and released leave
 * the heap as it was (one more instance held keeps Qt running between them). Of three
 * rounds the smallest growth counts, so that Qt's own caches growing once or twice (a
 * busy machine makes that likelier) do not, while a leak grows every round. */
static void released_instances_free_their_memory(void) {
    TintboxWindowless* held = create();
    enum { kRounds = 3 };
    size_t in_use[kRounds + 1] = {0};
    for (int round = 0; round < kRounds + 2; ++round) {
        for (int i = 0; i < 500; ++i) {
            TintboxWindowless* control = create();
            CHECK(control->vtbl->Release(control) == 0);
        }
        if (round > 0) {
            in_use[round - 1] = mallinfo2().uordblks;
        }
    }
    long growth = LONG_MAX;
    for (int round = 0; round < kRounds; ++round) {
        const long grown = (long)in_use[round + 1] - (long)in_use[round];
        growth = grown < growth ? grown : growth;
    }
    if (growth > 8192) {
        fprintf(stderr, "500 instances more grew the heap by %ld bytes\n", growth);
    }
    CHECK(growth <= 8192);
    CHECK(held->vtbl->Release(held) == 0);
}

/* ---- Exiting while instances live -------------------------------------------------- */

/* The child: holds what `what` names, prints without flushing, and returns from main. */
static int exit_holding(const char* what, void* library, const char* reference_program) {
    TintboxWindowless* control = create();
    Site state;
    memset(&state, 0, sizeof state);
    TintboxSite site = make_site(&state, 1);
    if (strcmp(what, "no-site") != 0) {
        CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
    }
    if (strcmp(what, "dispatch") == 0) {
        TintboxControl* dispatch = dispatch_of(control);
        (void)dispatch;
        control->vtbl->Release(control);
    } else if (strcmp(what, "many") == 0) {
        for (int i = 0; i < 19; ++i) {
            TintboxWindowless* more = create();
            CHECK_STATUS(more->vtbl->SetSite(more, &site), TINTBOX_OK);
        }
    } else if (strcmp(what, "eyedropper") == 0) {
        Image geometry = reference(reference_program, 318, 225, 0, "1");
        free(geometry.pixels);
        const Place spectrum = place_of("Colors");
        set_spectrum(control);
        send(control, TINTBOX_INPUT_PRESS, spectrum.x + 10, spectrum.y + 10, TINTBOX_BUTTON_RIGHT,
             0, 0, NULL);
        CHECK_STATUS(control->vtbl->Tick(control, 10), TINTBOX_OK);
    } else if (strcmp(what, "dlclose") == 0) {
        TintboxWindowless* released_later = create();
        factory->vtbl->Release(factory);
        dlclose(library);
        released_later->vtbl->Release(released_later);
    }
    printf("held %s\n", what); /* a pipe: buffered until exit flushes it */
    return failures != 0;
}

/* A host that exits while it still holds instances (scripting languages and collected
 * hosts do) ends normally, and what it printed but had not flushed arrives. */
static void exiting_while_holding_instances_ends_cleanly(const char* program, const char* library,
                                                         const char* reference_program) {
    static const char* const cases[] = {"site", "no-site",    "dispatch",
                                        "many", "eyedropper", "dlclose"};
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        char command[2048];
        snprintf(command, sizeof command, "'%s' '%s' '%s' --exit-holding %s", program, library,
                 reference_program, cases[i]);
        FILE* child = popen(command, "r");
        char output[64] = "";
        const size_t length = child != NULL ? fread(output, 1, sizeof output - 1, child) : 0;
        output[length] = 0;
        const int status = child != NULL ? pclose(child) : -1;
        char expected[64];
        snprintf(expected, sizeof expected, "held %s\n", cases[i]);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || strcmp(output, expected) != 0) {
            fprintf(stderr, "exit holding %s: status %#x, output \"%s\"\n", cases[i], status,
                    output);
        }
        CHECK(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        CHECK(strcmp(output, expected) == 0);
    }
}

int main(int argc, char** argv) {
    const int child = argc == 5 && strcmp(argv[3], "--exit-holding") == 0;
    if (argc != 3 && !child) {
        fprintf(stderr, "usage: %s path/to/libtintboxctl.so path/to/windowless_reference\n",
                argv[0]);
        return 2;
    }
    unsetenv("DISPLAY"); /* headless: the only screen is the site's */
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 2;
    }
    TintboxDllGetClassObjectFn get_class_object;
    TintboxDllCanUnloadNowFn can_unload_now;
    void* symbol = dlsym(library, "DllGetClassObject");
    memcpy(&get_class_object, &symbol, sizeof symbol);
    symbol = dlsym(library, "DllCanUnloadNow");
    memcpy(&can_unload_now, &symbol, sizeof symbol);
    CHECK_STATUS(
        get_class_object(&TINTBOX_CLSID_Tintbox, &TINTBOX_IID_ClassFactory, (void**)&factory),
        TINTBOX_OK);

    if (child) {
        return exit_holding(argv[4], library, argv[2]);
    }
    if (getenv("TINTBOX_TEST_FAKE_PORTAL") != NULL) {
        Site state;
        memset(&state, 0, sizeof state);
        Image geometry = reference(argv[2], 318, 225, 0, "1"); /* where the views are */
        free(geometry.pixels);
        eyedropper_goes_through_the_desktop_picker(&state);
        CHECK(factory->vtbl->Release(factory) == 0);
        dlclose(library);
        return failures != 0;
    }

    /* The cursor images for a host's native cursors. */
    const unsigned char* bytes = NULL;
    size_t size = 0;
    CHECK_STATUS(factory->vtbl->GetResource(factory, TINTBOX_RESOURCE_CURSOR,
                                            TINTBOX_POINTER_CURSOR_B, &bytes, &size),
                 TINTBOX_OK);
    CHECK(size == sizeof(TintboxCursorImage));
    if (bytes != NULL) {
        const TintboxCursorImage* cursor = (const TintboxCursorImage*)bytes;
        CHECK(cursor->width == 32 && cursor->hot_x == 15 && cursor->hot_y == 15);
        CHECK(cursor->pixels[15 * 32 + 15] == 0);          /* the open centre */
        CHECK(cursor->pixels[8 * 32 + 15] == 0xFF000000u); /* a bar */
        CHECK(cursor->pixels[8 * 32 + 14] == 0xFFFFFFFFu); /* its outline */
    }
    CHECK_STATUS(factory->vtbl->GetResource(factory, TINTBOX_RESOURCE_CURSOR, TINTBOX_POINTER_TEXT,
                                            &bytes, &size),
                 TINTBOX_E_NOT_FOUND);

    Site state;
    memset(&state, 0, sizeof state);
    state.pointer = -1;
    draw_looks_like_the_qt_widget(argv[2], &state);
    geometry_holds_at_every_ratio(argv[2], &state);
    drawing_after_changes_matches_a_first_draw(&state);

    TintboxWindowless* control = create();
    TintboxSite site = make_site(&state, 1);
    state.eyedropper_states = 0;
    CHECK_STATUS(control->vtbl->SetSite(control, &site), TINTBOX_OK);
    CHECK(state.eyedropper_states == 1); /* the site's screen reads live */
    CHECK(state.eyedropper_mode == TINTBOX_EYEDROPPER_LIVE);
    properties_and_changes_reach_the_site(control, &state);
    drawing_an_area_touches_only_that_area(control);
    click_on_the_spectrum_picks_what_is_drawn(control, &state);
    typing_into_txt_green_sets_green(control, &state);
    tab_visits_every_stop_then_leaves(control, &state);
    dragging_a_thumb_commits_on_release(control, &state);
    eyedropper_reads_the_site_screen(control, &state);
    pointer_follows_the_view_under_it(control, &state);
    wheel_outside_a_bar_is_left_to_the_host(control);
    CHECK_STATUS(control->vtbl->SetSite(control, NULL), TINTBOX_OK);
    CHECK(control->vtbl->Release(control) == 0);

    eyedropper_without_a_screen_reports_unavailable(&state);
    bad_calls_give_status_codes(&state);
    release_from_a_callback(&state);
    other_threads_are_refused(&state);
    released_instances_free_their_memory();
    exiting_while_holding_instances_ends_cleanly(argv[0], argv[1], argv[2]);

    CHECK(factory->vtbl->Release(factory) == 0);
    CHECK_STATUS(can_unload_now(), TINTBOX_OK);
    dlclose(library);
    if (failures != 0) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("all windowless checks passed\n");
    return 0;
}
