// The eyedropper where the screen cannot be read: which way it works now (live, through
// the desktop's picker, or not at all), the desktop portal asked when the person lets go
// of the right button, and its answer fed to the control as one more tick. Shared by the
// Qt front ends (widgets and Qt Quick), each of which serves its SystemPickHooks.
#pragma once

#include <QObject>
#include <QWindow>
#include <functional>
#include <memory>

#include "tintbox/types.hpp"

namespace tintbox::qtskin {

class PortalColorPicker;
class QtScreen;

// Live: the colour follows the screen pixel under the pointer while the right button is
// held. SystemPicker: the desktop's own picker opens when the right button is let go.
// Unavailable: neither.
enum class EyedropperMode { Live, SystemPicker, Unavailable };

// The mode as a front end's own enum of the same three names (the widget's and the
// item's, each a Q_ENUM of its class).
template <class Mode>
Mode public_mode(EyedropperMode mode) {
    switch (mode) {
        case EyedropperMode::Live:
            return Mode::Live;
        case EyedropperMode::SystemPicker:
            return Mode::SystemPicker;
        case EyedropperMode::Unavailable:
            break;
    }
    return Mode::Unavailable;
}

// What a front end does for the system pick: its signals, the colour the desktop's
// picker chose (one eyedropper tick), and the window the picker opens over.
struct SystemPickHooks {
    std::function<void()> mode_changed;
    std::function<void()> started;
    std::function<void()> finished;
    std::function<void()> unavailable;
    std::function<void(ColorValue)> picked;
    std::function<QWindow*()> window;  // null when the control has no window yet
};

class SystemPick : public QObject {
  public:
    SystemPick(QtScreen& screen, SystemPickHooks hooks);
    ~SystemPick() override;
    SystemPick(const SystemPick&) = delete;
    SystemPick& operator=(const SystemPick&) = delete;

    EyedropperMode mode() const;
    // The screen may have become readable or not (a reader set, a read refused): asks
    // the portal once where it is needed and tells a change of mode.
    void refresh();
    // A tick could not read the screen (told once an eyedropper run).
    void unreadable();
    // The eyedropper's run ended, by the person's release or not.
    void run_ended(bool released);
    // Hidden or switched off: dismisses a pending pick, whose answer is then dropped.
    void close();

    // Between systemPickStarted and systemPickFinished: the portal is asked, or will be
    // once it has said whether it can pick.
    bool waiting() const;

  private:
    void ask();
    void probed();
    void fail();
    void finished();
    void report_unavailable();

    QtScreen& screen_;
    SystemPickHooks hooks_;
    std::unique_ptr<PortalColorPicker> portal_;  // made when the screen is first unreadable
    EyedropperMode told_mode_;
    bool reported_in_run_ = false;   // eyedropperUnavailable already raised for this press
    bool pick_after_probe_ = false;  // released while the portal was still being asked
};

}  // namespace tintbox::qtskin
