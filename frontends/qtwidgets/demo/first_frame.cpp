#include "first_frame.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace tintbox::demo {
namespace {

class FirstFrameProbe : public QObject {
  public:
    explicit FirstFrameProbe(QWidget& window) : QObject(&window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // The backing store reaches the window system when the paint that is running
            // now returns; the stamp is taken just after, from the event loop.
            QTimer::singleShot(0, this, [] {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                std::printf("%lld\n",
                            static_cast<long long>(std::chrono::nanoseconds(now).count()));
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

}  // namespace

void quit_after_first_frame(QWidget& window) {
    new FirstFrameProbe(window);
}

}  // namespace tintbox::demo
