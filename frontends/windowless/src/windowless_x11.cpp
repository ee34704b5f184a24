#include "windowless_x11.hpp"

#if defined(TINTBOX_QT_HAS_XCB)
#include <xcb/xcb.h>

#include "x11_pixels.hpp"
#endif

namespace tintbox::shell {

#if defined(TINTBOX_QT_HAS_XCB)
namespace {

// The reader goes before the connection it reads through.
class X11Screen : public Screen {
  public:
    // A connection of its own already: the reader needs no other.
    explicit X11Screen(xcb_connection_t* connection)
        : connection_{connection},
          reader_(connection, nullptr),
          readable_(reader_.root_readable()) {}
    float twips_per_pixel_x() const override { return 15.0f; }  // unused: QtScreen answers
    ScreenPoint cursor_position() const override {
        ScreenPoint position;
        return reader_.pointer(position) ? position : ScreenPoint{};
    }
    Context acquire_context() override { return 1; }
    ColorValue pixel(Context, ScreenPoint point) override { return reader_.pixel(point); }
    void release_context(Context) override { reader_.forget(); }
    bool can_read() const override { return readable_; }

  private:
    struct Connection {
        xcb_connection_t* handle;
        ~Connection() { xcb_disconnect(handle); }
    } connection_;
    mutable qtskin::X11ScreenReader reader_;
    bool readable_;
};

}  // namespace

std::shared_ptr<Screen> open_x11_screen() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::make_shared<X11Screen>(connection);
}
#else
std::shared_ptr<Screen> open_x11_screen() {
    return nullptr;
}
#endif

}  // namespace tintbox::shell
