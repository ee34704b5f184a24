// The demo's main window: the control at full width with a generated spectrum, a log of
// its Change events, and buttons for the host's side of the control.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace tintbox {
class TintboxWidget;
}

namespace tintbox::demo {

class DemoWindow : public QWidget {
    Q_OBJECT

  public:
    explicit DemoWindow(QWidget* parent = nullptr);
    TintboxWidget& picker() const { return *picker_; }

  private:
    void log(const QString& line);
    void log_change();
    void set_rgb_from_entry();
    void load_picture();
    void save_properties();
    void restore_properties();

    TintboxWidget* picker_;
    QLineEdit* rgb_entry_;
    QCheckBox* enabled_;
    QPlainTextEdit* log_;
    QLabel* status_;
    int changes_ = 0;
};

// Reads a colour as the demo's entry accepts it: "#RRGGBB" (web order), "0x" followed
// by the hexadecimal colour value, or a decimal colour value. False when it is none.
bool parse_color(const QString& text, qint32& value);

}  // namespace tintbox::demo
