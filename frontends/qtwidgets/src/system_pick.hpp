// The eyedropper where the screen cannot be read: which way it works now (live, through
// the desktop's picker, or not at all), the desktop portal asked when the person lets go
// of the right button, and its answer fed to the control as one more tick.
#pragma once

#include <QObject>
#include <memory>

#include "tintbox/qt/tintbox_widget.hpp"

namespace tintbox::qtskin {

class PortalColorPicker;
class QtScreen;
class Skin;

class SystemPick : public QObject {
  public:
    SystemPick(TintboxWidget& owner, QtScreen& screen, Skin& skin);
    ~SystemPick() override;
    SystemPick(const SystemPick&) = delete;
    SystemPick& operator=(const SystemPick&) = delete;

    TintboxWidget::EyedropperMode mode() const;
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

    TintboxWidget& owner_;
    QtScreen& screen_;
    Skin& skin_;
    std::unique_ptr<PortalColorPicker> portal_;  // made when the screen is first unreadable
    TintboxWidget::EyedropperMode told_mode_;
    bool reported_in_run_ = false;   // eyedropperUnavailable already raised for this press
    bool pick_after_probe_ = false;  // released while the portal was still being asked
};

}  // namespace tintbox::qtskin
