// The headless screen and clipboard that tests and tintbox-script control; a control
// created without a platform of its own uses them too.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "tintbox/platform.hpp"

namespace tintbox {

// A screen held in memory: every pixel starts 0; tests and the script driver set the
// pointer, pixels and whether reading works.
class FakeScreen : public Screen {
  public:
    float twips_per_pixel_x() const override { return twips_per_pixel_x_; }
    ScreenPoint cursor_position() const override { return cursor_; }
    Context acquire_context() override;
    ColorValue pixel(Context context, ScreenPoint point) override;
    void release_context(Context context) override;
    bool can_read() const override { return !unreadable_; }
    void eyedropper_ended(bool released) override { ++(released ? released_runs_ : lost_runs_); }

    void set_twips_per_pixel_x(float twips) { twips_per_pixel_x_ = twips; }
    void set_cursor(ScreenPoint point) { cursor_ = point; }
    void set_pixel(ScreenPoint point, ColorValue color) { pixels_[{point.x, point.y}] = color; }
    void fill(ColorValue color);
    void set_unreadable(bool unreadable) { unreadable_ = unreadable; }
    // Contexts taken and not yet given back.
    int open_contexts() const noexcept { return open_contexts_; }
    // Eyedropper runs that ended with the person's release, and that lost their release.
    int released_runs() const noexcept { return released_runs_; }
    int lost_runs() const noexcept { return lost_runs_; }

  private:
    float twips_per_pixel_x_ = 15.0f;  // a 96-dpi screen
    ScreenPoint cursor_;
    ColorValue fill_ = 0;
    std::map<std::pair<std::int32_t, std::int32_t>, ColorValue> pixels_;  // over the fill
    bool unreadable_ = false;
    int open_contexts_ = 0;
    Context next_context_ = 1;
    int released_runs_ = 0;
    int lost_runs_ = 0;
};

// A clipboard held in memory, private to the control that owns it.
class MemoryClipboard : public Clipboard {
  public:
    std::u16string text() const override { return text_; }
    void set_text(std::u16string_view text) override { text_ = text; }

  private:
    std::u16string text_;
};

}  // namespace tintbox
