#include "demo_window.hpp"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "spectrum.hpp"
#include "tintbox/conversions.hpp"
#include "tintbox/qt/tintbox_widget.hpp"

namespace tintbox::demo {

bool parse_color(const QString& text, qint32& value) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    qlonglong parsed = 0;
    if (trimmed.startsWith('#')) {
        if (trimmed.size() != 7) {
            return false;
        }
        const qlonglong web = trimmed.mid(1).toLongLong(&ok, 16);
        // Web order is red first; the control's value holds red in the low byte.
        parsed = ((web >> 16) & 0xFF) | (web & 0xFF00) | ((web & 0xFF) << 16);
    } else if (trimmed.startsWith("0x", Qt::CaseInsensitive)) {
        parsed = trimmed.mid(2).toLongLong(&ok, 16);
    } else {
        parsed = trimmed.toLongLong(&ok, 10);
    }
    if (!ok || parsed < 0 || parsed > 0xFFFFFF) {
        return false;
    }
    value = static_cast<qint32>(parsed);
    return true;
}

QString door_text(const QString& door) {
    if (door.startsWith(QStringLiteral("txt"))) {
        return QObject::tr("field %1").arg(door);
    }
    if (door.startsWith(QStringLiteral("hs"))) {
        return QObject::tr("scroll bar %1").arg(door);
    }
    return door;
}

DemoWindow::DemoWindow(QWidget* parent)
    : QWidget(parent),
      picker_(new TintboxWidget(this)),
      rgb_entry_(new QLineEdit(this)),
      enabled_(new QCheckBox(tr("Enabled"), this)),
      log_(new QPlainTextEdit(this)),
      status_(new QLabel(this)) {
    setWindowTitle(tr("Tintbox demo"));

    auto* set_rgb = new QPushButton(tr("SetRGB"), this);
    auto* load = new QPushButton(tr("Load picture..."), this);
    auto* save = new QPushButton(tr("Save properties..."), this);
    auto* restore = new QPushButton(tr("Restore properties..."), this);
    rgb_entry_->setPlaceholderText(tr("#RRGGBB, 0xBBGGRR or decimal"));
    rgb_entry_->setText(QStringLiteral("#3C8DDC"));
    enabled_->setChecked(true);
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(1000);  // the eyedropper logs 100 changes a second
    log_->setPlaceholderText(tr("Change events appear here."));

    auto* color_row = new QHBoxLayout;
    color_row->addWidget(rgb_entry_, 1);
    color_row->addWidget(set_rgb);
    color_row->addWidget(enabled_);
    auto* file_row = new QHBoxLayout;
    file_row->addWidget(load);
    file_row->addWidget(save);
    file_row->addWidget(restore);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picker_);
    layout->addLayout(color_row);
    layout->addLayout(file_row);
    layout->addWidget(log_, 1);
    layout->addWidget(status_);

    connect(picker_, &TintboxWidget::changed, this, &DemoWindow::log_change);
    connect(picker_, &TintboxWidget::errorRaised, this,
            [this](const QString& message) { log(tr("error: %1").arg(message)); });
    connect(picker_, &TintboxWidget::eyedropperUnavailable, this, [this] {
        status_->setText(tr("The eyedropper cannot read the screen on this desktop."));
    });
    connect(picker_, &TintboxWidget::eyedropperModeChanged, this,
            &DemoWindow::show_eyedropper_hint);
    connect(picker_, &TintboxWidget::systemPickStarted, this,
            [this] { status_->setText(tr("Click a pixel anywhere on the screen; Esc cancels.")); });
    connect(picker_, &TintboxWidget::systemPickFinished, this, &DemoWindow::show_eyedropper_hint);
    connect(set_rgb, &QPushButton::clicked, this, &DemoWindow::set_rgb_from_entry);
    connect(rgb_entry_, &QLineEdit::returnPressed, this, &DemoWindow::set_rgb_from_entry);
    connect(enabled_, &QCheckBox::toggled, this, [this](bool on) {
        picker_->setControlEnabled(on);
        log(on ? tr("Enabled = True") : tr("Enabled = False"));
    });
    connect(load, &QPushButton::clicked, this, &DemoWindow::load_picture);
    connect(save, &QPushButton::clicked, this, &DemoWindow::save_properties);
    connect(restore, &QPushButton::clicked, this, &DemoWindow::restore_properties);

    // The window never gets smaller than the control's compact form at its fixed height.
    picker_->setMinimumSize(picker_->minimumSizeHint());
    picker_->setPicture(make_spectrum(256, 256));
    status_->setWordWrap(true);
    show_eyedropper_hint();
    resize(picker_->sizeHint().width() + 160, 560);
}

bool DemoWindow::event(QEvent* event) {
    // The layout has settled its minimum before the window sees the request.
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        hold_wrapped_hint();
    }
    return handled;
}

void DemoWindow::hold_wrapped_hint() {
    // The layout's own minimum takes the wrapped hint's height at the width the label
    // prefers. At the window's minimum width the hint wraps to more lines, and the layout
    // would find room for them by laying the rows below the control over it, the
    // control's height being fixed.
    QLayout* rows = layout();
    const QSize least = rows->totalMinimumSize();
    const int height = std::max(least.height(), rows->minimumHeightForWidth(least.width()));
    if (minimumHeight() != height) {
        setMinimumHeight(height);
    }
}

void DemoWindow::show_eyedropper_hint() {
    switch (picker_->eyedropperMode()) {
        case TintboxWidget::EyedropperMode::Live:
            status_->setText(
                tr("Left-drag over the spectrum to pick; hold the right button there "
                   "and move anywhere on the screen for the eyedropper."));
            break;
        case TintboxWidget::EyedropperMode::SystemPicker:
            status_->setText(
                tr("Left-drag over the spectrum to pick; right-click it to "
                   "pick any pixel of the screen with the desktop's picker."));
            break;
        case TintboxWidget::EyedropperMode::Unavailable:
            status_->setText(
                tr("Left-drag over the spectrum to pick; this desktop lets no "
                   "program read the screen, so the eyedropper is off."));
            break;
    }
}

void DemoWindow::log(const QString& line) {
    if (line == last_line_) {
        ++repeats_;
        QTextCursor cursor = log_->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.select(QTextCursor::BlockUnderCursor);
        cursor.removeSelectedText();
        log_->appendPlainText(tr("%1  x %2").arg(line).arg(repeats_));
        return;
    }
    last_line_ = line;
    repeats_ = 1;
    log_->appendPlainText(line);
}

QString DemoWindow::log_text() const {
    return log_->toPlainText();
}

bool DemoWindow::enabled_box_checked() const {
    return enabled_->isChecked();
}

void DemoWindow::log_change() {
    const qint32 color = picker_->getRGB();
    qint32 red = 0;
    qint32 green = 0;
    qint32 blue = 0;
    picker_->sepRGB(color, red, green, blue);
    const std::u16string hex = HexForm(color);
    const QString web = QStringLiteral("%1%2%3")
                            .arg(red, 2, 16, QChar('0'))
                            .arg(green, 2, 16, QChar('0'))
                            .arg(blue, 2, 16, QChar('0'))
                            .toUpper();
    log(tr("Change from %1: %2 (decimal)  %3 (hex)  #%4 (web)")
            .arg(door_text(picker_->changeDoor()))
            .arg(color)
            .arg(QString::fromUtf16(hex.data(), static_cast<qsizetype>(hex.size())))
            .arg(web));
}

void DemoWindow::set_rgb_from_entry() {
    qint32 value = 0;
    if (!parse_color(rgb_entry_->text(), value)) {
        log(tr("SetRGB: \"%1\" is not a colour (#RRGGBB, 0xBBGGRR or 0 to 16777215)")
                .arg(rgb_entry_->text()));
        return;
    }
    log(tr("SetRGB %1").arg(value));
    picker_->setRGB(value);
}

void DemoWindow::load_picture() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Spectrum picture"), QDir::homePath(), tr("Images (*.png *.jpg *.jpeg *.bmp)"));
    if (path.isEmpty()) {
        return;
    }
    const QImage image(path);
    if (image.isNull()) {
        log(tr("Picture: cannot read %1 as PNG, JPEG or BMP").arg(path));
        return;
    }
    picker_->setPicture(image);
    log(tr("Picture = %1 (%2 x %3)").arg(path).arg(image.width()).arg(image.height()));
}

namespace {

// Property bags are named *.tbag, as the README's examples name them.
QString bag_filter() {
    return QObject::tr("Property bags (*.tbag);;All files (*)");
}

}  // namespace

void DemoWindow::save_properties() {
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save properties"), QDir::home().filePath(QStringLiteral("tintbox.tbag")),
        bag_filter());
    if (path.isEmpty()) {
        return;
    }
    QString error;
    log(picker_->saveProperties(path, &error) ? tr("Saved properties to %1").arg(path)
                                              : tr("Save failed: %1").arg(error));
}

void DemoWindow::restore_properties() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Restore properties"), QDir::home().filePath(QStringLiteral("tintbox.tbag")),
        bag_filter());
    if (!path.isEmpty()) {
        restore_properties_from(path);
    }
}

bool DemoWindow::restore_properties_from(const QString& path) {
    QString error;
    if (!picker_->loadProperties(path, &error)) {
        log(tr("Restore failed: %1").arg(error));
        return false;
    }
    enabled_->blockSignals(true);
    enabled_->setChecked(picker_->controlEnabled());
    enabled_->blockSignals(false);
    const QPixmap picture = picker_->picture();
    log(tr("Restored from %1: Enabled = %2, Picture = %3")
            .arg(path, picker_->controlEnabled() ? tr("True") : tr("False"),
                 picture.isNull() ? tr("none")
                                  : tr("%1 x %2").arg(picture.width()).arg(picture.height())));
    return true;
}

}  // namespace tintbox::demo
