#include "system_pick.hpp"

#include <QDBusConnection>
#include <QGuiApplication>
#include <utility>

#include "portal_picker.hpp"
#include "qt_platform.hpp"

namespace tintbox::qtskin {

using Mode = EyedropperMode;

SystemPick::SystemPick(QtScreen& screen, SystemPickHooks hooks)
    : screen_(screen), hooks_(std::move(hooks)), told_mode_(mode()) {
    refresh();
}

SystemPick::~SystemPick() = default;  // the portal dismisses a pending pick itself

Mode SystemPick::mode() const {
    if (screen_.can_read()) {
        return Mode::Live;
    }
    return portal_ && portal_->state() == PortalColorPicker::State::Available ? Mode::SystemPicker
                                                                              : Mode::Unavailable;
}

void SystemPick::refresh() {
    if (!portal_ && !screen_.can_read()) {
        portal_ = std::make_unique<PortalColorPicker>(QDBusConnection::sessionBus());
        connect(portal_.get(), &PortalColorPicker::probed, this, [this] { probed(); });
        connect(portal_.get(), &PortalColorPicker::picked, this, [this](ColorValue color) {
            hooks_.picked(color);
            finished();
        });
        connect(portal_.get(), &PortalColorPicker::cancelled, this, [this] { finished(); });
        connect(portal_.get(), &PortalColorPicker::failed, this, [this] { fail(); });
        portal_->probe();
    }
    const Mode now = mode();
    if (now != std::exchange(told_mode_, now)) {
        hooks_.mode_changed();
    }
}

void SystemPick::unreadable() {
    refresh();
    const bool portal_may_pick =
        portal_ && (portal_->state() == PortalColorPicker::State::Available ||
                    portal_->state() == PortalColorPicker::State::Probing);
    // Where the portal may pick, the release asks it and its answer says what failed.
    if (screen_.can_read() || !portal_may_pick) {
        report_unavailable();
        reported_in_run_ = true;
    }
}

void SystemPick::run_ended(bool released) {
    const bool reported = std::exchange(reported_in_run_, false);
    if (!released || screen_.can_read()) {
        return;
    }
    refresh();
    if (waiting()) {
        return;  // one pick at a time: the desktop's picker is open already
    }
    switch (portal_->state()) {
        case PortalColorPicker::State::Available:
            hooks_.started();
            ask();
            break;
        case PortalColorPicker::State::Probing:
            hooks_.started();
            pick_after_probe_ = true;
            break;
        default:
            if (!reported) {
                report_unavailable();  // a click too short for a tick
            }
            break;
    }
}

bool SystemPick::waiting() const {
    return pick_after_probe_ || (portal_ && portal_->picking());
}

void SystemPick::close() {
    if (!waiting()) {
        return;
    }
    pick_after_probe_ = false;
    portal_->close();
    finished();
}

void SystemPick::ask() {
    // The desktop places its picker over the window it names; Qt names windows of an X
    // server only.
    QString parent;
    const QWindow* window = hooks_.window();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && window != nullptr &&
        window->winId() != 0) {
        parent = QStringLiteral("x11:%1").arg(window->winId(), 0, 16);
    }
    if (!portal_->pick(parent)) {
        fail();
    }
}

void SystemPick::probed() {
    refresh();
    if (std::exchange(pick_after_probe_, false)) {
        if (mode() == Mode::SystemPicker) {
            ask();
        } else {
            fail();
        }
    }
}

void SystemPick::fail() {
    finished();
    report_unavailable();
}

void SystemPick::finished() {
    hooks_.finished();
}

void SystemPick::report_unavailable() {
    hooks_.unavailable();
}

}  // namespace tintbox::qtskin
