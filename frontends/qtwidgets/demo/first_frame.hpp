// Start-up measurement: a window's first painted frame, stamped on the system's
// monotonic clock so that the process that started this one can subtract its own
// start time.
#pragma once

class QWidget;

namespace tintbox::demo {

// Once `window` has painted its first frame, prints the monotonic clock in
// nanoseconds on a line of its own and quits the application.
void quit_after_first_frame(QWidget& window);

}  // namespace tintbox::demo
