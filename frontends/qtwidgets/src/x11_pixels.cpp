#include "x11_pixels.hpp"

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace tintbox::qtskin {
namespace {

// Half the side of the block read around the pointer: a pointer that moves less than
// this between two ticks (1600 pixels a second) costs one round trip per tick.
constexpr int kReach = 16;

template <class Reply>
struct Freed {
    Reply* reply = nullptr;
    ~Freed() { std::free(reply); }
};

int component(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1U) == 0) {
        ++shift;
    }
    const std::uint32_t max = mask >> shift;
    return static_cast<int>((((pixel & mask) >> shift) * 255U + max / 2) / max);
}

}  // namespace

struct X11ScreenReader::State {
    xcb_connection_t* connection = nullptr;  // the toolkit's
    std::string display_name;
    xcb_connection_t* run_connection = nullptr;  // this run's own, once made
    bool run_connection_failed = false;
    xcb_window_t root = 0;
    int width = 0;
    int height = 0;
    xcb_colormap_t colormap = 0;
    bool true_color = false;
    std::uint32_t red_mask = 0;
    std::uint32_t green_mask = 0;
    std::uint32_t blue_mask = 0;
    bool lsb_first = true;
    int bits_per_pixel = 32;
    int scanline_pad = 32;

    // The block fetched with the last pointer read.
    bool have_block = false;
    int block_x = 0;
    int block_y = 0;
    int block_width = 0;
    int block_height = 0;
    std::vector<std::uint8_t> block;
    ScreenPoint last;

    int stride(int columns) const {
        const int bits = columns * bits_per_pixel;
        return (bits + scanline_pad - 1) / scanline_pad * scanline_pad / 8;
    }

    std::uint32_t raw_pixel(const std::uint8_t* data, int column, int row, int columns) const {
        const std::uint8_t* at = data + row * stride(columns) + column * bits_per_pixel / 8;
        const int bytes = bits_per_pixel / 8;
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const int index = lsb_first ? bytes - 1 - i : i;
            value = (value << 8) | at[index];
        }
        return value;
    }

    // The connection this run reads over.
    xcb_connection_t* reads() {
        if (run_connection == nullptr && !run_connection_failed && !display_name.empty()) {
            run_connection = xcb_connect(display_name.c_str(), nullptr);
            if (xcb_connection_has_error(run_connection) != 0) {
                xcb_disconnect(run_connection);
                run_connection = nullptr;
                run_connection_failed = true;
            }
        }
        return run_connection != nullptr ? run_connection : connection;
    }

    void close_run() {
        if (run_connection != nullptr) {
            xcb_disconnect(run_connection);
            run_connection = nullptr;
        }
        run_connection_failed = false;
    }

    ColorValue decode(xcb_connection_t* over, std::uint32_t pixel) const {
        if (true_color) {
            return component(pixel, red_mask) | (component(pixel, green_mask) << 8) |
                   (component(pixel, blue_mask) << 16);
        }
        const xcb_query_colors_cookie_t cookie = xcb_query_colors(over, colormap, 1, &pixel);
        const Freed<xcb_query_colors_reply_t> reply{xcb_query_colors_reply(over, cookie, nullptr)};
        if (reply.reply == nullptr || xcb_query_colors_colors_length(reply.reply) < 1) {
            return -1;
        }
        const xcb_rgb_t rgb = xcb_query_colors_colors(reply.reply)[0];
        return (rgb.red >> 8) | ((rgb.green >> 8) << 8) | ((rgb.blue >> 8) << 16);
    }
};

X11ScreenReader::X11ScreenReader(xcb_connection_t* connection, _XDisplay* display)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.connection = connection;
    if (display != nullptr) {
        s.display_name = XDisplayString(display);
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    s.root = screen->root;
    s.width = screen->width_in_pixels;
    s.height = screen->height_in_pixels;
    s.colormap = screen->default_colormap;
    s.lsb_first = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem != 0;
         xcb_format_next(&formats)) {
        if (formats.data->depth == screen->root_depth) {
            s.bits_per_pixel = formats.data->bits_per_pixel;
            s.scanline_pad = formats.data->scanline_pad;
        }
    }
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem != 0;
         xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem != 0;
             xcb_visualtype_next(&visuals)) {
            const xcb_visualtype_t* visual = visuals.data;
            if (visual->visual_id == screen->root_visual) {
                s.true_color = visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR ||
                               visual->_class == XCB_VISUAL_CLASS_DIRECT_COLOR;
                s.red_mask = visual->red_mask;
                s.green_mask = visual->green_mask;
                s.blue_mask = visual->blue_mask;
            }
        }
    }
}

X11ScreenReader::~X11ScreenReader() {
    state_->close_run();
}

bool X11ScreenReader::pointer(ScreenPoint& position) {
    State& s = *state_;
    s.have_block = false;
    const int side = 2 * kReach + 1;
    s.block_width = std::min(side, s.width);
    s.block_height = std::min(side, s.height);
    s.block_x = std::clamp(s.last.x - kReach, 0, std::max(0, s.width - s.block_width));
    s.block_y = std::clamp(s.last.y - kReach, 0, std::max(0, s.height - s.block_height));

    // Both requests go out before either answer is awaited: one round trip.
    xcb_connection_t* const over = s.reads();
    const xcb_query_pointer_cookie_t pointer_cookie = xcb_query_pointer(over, s.root);
    const xcb_get_image_cookie_t image_cookie = xcb_get_image(
        over, XCB_IMAGE_FORMAT_Z_PIXMAP, s.root, static_cast<std::int16_t>(s.block_x),
        static_cast<std::int16_t>(s.block_y), static_cast<std::uint16_t>(s.block_width),
        static_cast<std::uint16_t>(s.block_height), ~0U);
    xcb_generic_error_t* error = nullptr;
    const Freed<xcb_query_pointer_reply_t> where{
        xcb_query_pointer_reply(over, pointer_cookie, &error)};
    std::free(error);
    error = nullptr;
    const Freed<xcb_get_image_reply_t> image{xcb_get_image_reply(over, image_cookie, &error)};
    std::free(error);

    if (image.reply != nullptr &&
        xcb_get_image_data_length(image.reply) >= s.stride(s.block_width) * s.block_height) {
        const std::uint8_t* data = xcb_get_image_data(image.reply);
        s.block.assign(data, data + xcb_get_image_data_length(image.reply));
        s.have_block = true;
    }
    if (where.reply == nullptr || where.reply->same_screen == 0) {
        return false;
    }
    position = {where.reply->root_x, where.reply->root_y};
    s.last = position;
    return true;
}

ColorValue X11ScreenReader::pixel(ScreenPoint point) {
    State& s = *state_;
    const int column = point.x - s.block_x;
    const int row = point.y - s.block_y;
    if (s.have_block && column >= 0 && row >= 0 && column < s.block_width && row < s.block_height) {
        return s.decode(s.reads(), s.raw_pixel(s.block.data(), column, row, s.block_width));
    }
    return read_one(s.reads(), point);
}

ColorValue X11ScreenReader::read_one(xcb_connection_t* over, ScreenPoint point) {
    const State& s = *state_;
    if (point.x < 0 || point.y < 0 || point.x > 32767 || point.y > 32767) {
        return -1;
    }
    const xcb_get_image_cookie_t cookie =
        xcb_get_image(over, XCB_IMAGE_FORMAT_Z_PIXMAP, s.root, static_cast<std::int16_t>(point.x),
                      static_cast<std::int16_t>(point.y), 1, 1, ~0U);
    xcb_generic_error_t* error = nullptr;
    const Freed<xcb_get_image_reply_t> image{xcb_get_image_reply(over, cookie, &error)};
    std::free(error);  // a point off the screen: BadMatch, reported here and nowhere else
    if (image.reply == nullptr || xcb_get_image_data_length(image.reply) < s.stride(1)) {
        return -1;
    }
    return s.decode(over, s.raw_pixel(xcb_get_image_data(image.reply), 0, 0, 1));
}

bool X11ScreenReader::root_readable() {
    return read_one(state_->connection, {0, 0}) >= 0;
}

void X11ScreenReader::forget() {
    state_->have_block = false;
}

void X11ScreenReader::end_run() {
    state_->have_block = false;
    state_->close_run();
}

}  // namespace tintbox::qtskin
