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
    // Restores the control's properties from a bag file, shows the restored Enabled in
    // the check box and logs what was restored. False (and a log line) on failure.
    bool restore_properties_from(const QString& path);
    // The log's text, one entry a line.
    QString log_text() const;
    bool enabled_box_checked() const;

  protected:
    bool event(QEvent* event) override;

  private:
    // Keeps the window's minimum height tall enough for the hint below the log wrapped
    // at the minimum width.
    void hold_wrapped_hint();
    // Appends a line; the same line again only counts up the last one ("... x 97").
    void log(const QString& line);
    void log_change();
    void show_eyedropper_hint();  // what the right button does on this desktop
    void set_rgb_from_entry();
    void load_picture();
    void save_properties();
    void restore_properties();

    TintboxWidget* picker_;
    QLineEdit* rgb_entry_;
    QCheckBox* enabled_;
    QPlainTextEdit* log_;
    QLabel* status_;
    QString last_line_;
    int repeats_ = 0;
};

// How a door of changeDoor() reads in the log: "host", "spectrum", "eyedropper",
// "field txtRed", "scroll bar hsGreen".
QString door_text(const QString& door);

// Reads a colour as the demo's entry accepts it: "#RRGGBB" (web order), "0x" followed
// by the hexadecimal colour value, or a decimal colour value. False when it is none.
bool parse_color(const QString& text, qint32& value);

}  // namespace tintbox::demo
