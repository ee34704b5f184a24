#include "view_widgets.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "qt_platform.hpp"
#include "skin.hpp"

namespace tintbox::qtskin {
namespace {

// Styles draw a scroll-bar thumb's edge lines just outside its rectangle.
const QMargins kThumbEdges(3, 0, 3, 0);

// Characters whose ink a font's height holds, checked once per font: a line of them is
// centred by the font's height alone, as QLineEdit centres it.
const QString kPlainCharacters =
    QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz #-");

// For each column x of `image`, how many of the columns before it are opaque and the same
// as its middle column: columns l to r are all alike when the counts at l and r differ by
// r - l.
std::vector<int> columns_like_middle(const QImage& image) {
    const int middle = image.width() / 2;
    std::vector<int> counts(static_cast<std::size_t>(image.width()) + 1, 0);
    for (int x = 0; x < image.width(); ++x) {
        bool alike = true;
        for (int y = 0; y < image.height() && alike; ++y) {
            const QRgb pixel = image.pixel(middle, y);
            alike = qAlpha(pixel) == 255 && image.pixel(x, y) == pixel;
        }
        counts[static_cast<std::size_t>(x) + 1] =
            counts[static_cast<std::size_t>(x)] + (alike ? 1 : 0);
    }
    return counts;
}

}  // namespace

void draw_focus_mark(QWidget& widget) {
    QPainter painter(&widget);
    painter.setPen(QPen(widget.palette().color(QPalette::Active, QPalette::Highlight), 1));
    painter.drawRect(QRectF(widget.rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

// ---- FieldWidget ---------------------------------------------------------------------

FieldWidget::FieldWidget(Skin& skin, TextField& view, QWidget* parent)
    : QLineEdit(parent), skin_(skin), view_(view) {
    setFrame(false);
    // QLineEdit insets its text by 2 pixels; the pair fields over txtWebHex are placed
    // by the text's own widths from its left edge, so every field draws its text from
    // its left edge (and paint_overlay counts on txtWebHex doing so).
    setTextMargins(-2, 0, -2, 0);
    // The view layer enforces MaxLength; the mirror must show whatever text it holds.
    setMaxLength(std::numeric_limits<int>::max());
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setAcceptDrops(false);
    // paintEvent fills the field, before QLineEdit's paint or its own drawing of the text.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FieldWidget::mousePressEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Press);
}
void FieldWidget::mouseReleaseEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Release);
}
void FieldWidget::mouseMoveEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Move);
}
void FieldWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::DoubleClick);
}
void FieldWidget::keyPressEvent(QKeyEvent* event) {
    skin_.key(event, true);
}

void FieldWidget::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) {
        skin_.type(event->commitString());
    }
    event->accept();
}

void FieldWidget::contextMenuEvent(QContextMenuEvent* event) {
    skin_.context_menu(*this, event);
}

void FieldWidget::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    skin_.focus_changed(*this, event);
}
void FieldWidget::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    skin_.focus_changed(*this, event);
}
void FieldWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    const bool painted = paint_text(painter);
    painter.end();
    if (!painted) {
        QLineEdit::paintEvent(event);
    }
    if (view_.has_focus()) {
        draw_focus_mark(*this);
    }
}

bool FieldWidget::font_height_holds_plain_text() {
    if (font() != checked_font_) {
        checked_font_ = font();
        const QFontMetrics metrics = fontMetrics();
        plain_text_fits_ = metrics.boundingRect(kPlainCharacters).height() <= metrics.height();
    }
    return plain_text_fits_;
}

// A field without the focus or a selection shows only its text, and draws it itself,
// where QLineEdit would: its line centred in the field's height, drawn from its left
// edge. QLineEdit works out its panel, the text's bounding box and the caret's place on
// every paint, and a colour change repaints every field. A field whose text QLineEdit
// would place differently (aligned otherwise, right to left, wider than the field, in
// characters the font's height may not hold) is left to QLineEdit.
//
// A pair over txtWebHex is laid out and placed as QLineEdit places the text of the field
// beneath, shifted by this view's offset from that field in twips, kept to the 1/64 pixel
// text layout works in. Each character then takes the same device pixels as the
// character beneath it, and no edge of the digits beneath shows beside it.
bool FieldWidget::paint_text(QPainter& painter) {
    const QString shown = text();
    if (beneath_ == nullptr &&
        (hasFocus() || hasSelectedText() || layoutDirection() != Qt::LeftToRight ||
         alignment() != (Qt::AlignLeft | Qt::AlignVCenter) ||
         !std::all_of(shown.begin(), shown.end(),
                      [](QChar c) { return kPlainCharacters.contains(c); }) ||
         !font_height_holds_plain_text())) {
        return false;
    }
    QTextLayout layout(shown, font());  // as QLineEdit lays out its text: no paint device
    QTextOption option = layout.textOption();
    option.setTextDirection(Qt::LeftToRight);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    const QFontMetrics metrics = fontMetrics();
    const FieldWidget& placed_by = beneath_ != nullptr ? *beneath_ : *this;
    QPointF origin(0, (placed_by.height() - metrics.height() + 1) / 2 - qRound(line.ascent()) +
                          metrics.ascent());
    if (beneath_ != nullptr) {
        origin += beneath_->mapTo(window(), QPointF(0, 0)) - mapTo(window(), QPointF(0, 0));
        origin.rx() +=
            std::round((view_.Left() - beneath_->view().Left()) / skin_.twips_per_pixel() * 64) /
            64;
        painter.setPen(isEnabled() ? overlay_text_color_
                                   : palette().color(QPalette::Disabled, QPalette::Text));
    } else {
        if (qRound(line.naturalTextWidth()) + 1 > width()) {
            return false;
        }
        painter.setPen(palette().text().color());
    }
    layout.draw(&painter, origin);
    return true;
}

void FieldWidget::set_overlay_text_color(const QColor& color) {
    if (color != overlay_text_color_) {
        overlay_text_color_ = color;
        update();
    }
}

// ---- BarWidget -----------------------------------------------------------------------

int SquareThumbStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                  const QWidget* widget) const {
    if (metric == PM_ScrollBarSliderMin && option != nullptr) {
        return option->rect.height();
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

BarWidget::BarWidget(Skin& skin, ScrollBar& view, QStyle* style, QWidget* parent)
    : QScrollBar(Qt::Horizontal, parent), skin_(skin), view_(view) {
    setStyle(style);
    setSingleStep(1);
    setPageStep(1);
    setTracking(false);  // the thumb's value is committed on release only
    setFocusPolicy(Qt::TabFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void BarWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        skin_.bar_pressed(*this);
    }
    QScrollBar::mousePressEvent(event);
}
void BarWidget::wheelEvent(QWheelEvent* event) {
    skin_.wheel(*this, event);
}
void BarWidget::keyPressEvent(QKeyEvent* event) {
    skin_.key(event, false);
}
void BarWidget::focusInEvent(QFocusEvent* event) {
    QScrollBar::focusInEvent(event);
    skin_.focus_changed(*this, event);
}
void BarWidget::focusOutEvent(QFocusEvent* event) {
    QScrollBar::focusOutEvent(event);
    skin_.focus_changed(*this, event);
}
void BarWidget::paintEvent(QPaintEvent* event) {
    if (!paint_thumb_over_groove()) {
        QScrollBar::paintEvent(event);
    }
    if (view_.has_focus()) {
        draw_focus_mark(*this);
    }
    painted_thumb_ = thumb_rect();
    painted_value_ = value();
}

// The groove and arrows do not move with the value, but the style draws them again, with
// its gradients, on every paint: they were most of a colour change's repaint. They are
// drawn once into a pixmap, and a paint puts that down and only the thumb over it (the
// style's, or its own copy of it): the style's own pixels, as long as the thumb's edges do not
// reach an arrow (the style draws the arrows last). While the pointer is over the bar, or the bar
// holds the mouse, QScrollBar paints the parts under the pointer itself (hovered,
// pressed), and a transient bar draws differently on every paint: those paint whole. So
// does a bar at a fractional device pixel ratio, or drawn where its pixels do not fall on
// whole device pixels at its ratio (rendered into an image of another scale): there the
// style's edges fall between device pixels and a pixmap cannot hold them as drawn.
bool BarWidget::paint_thumb_over_groove() {
    const qreal ratio = devicePixelRatioF();
    if (ratio != std::floor(ratio) || underMouse() || isSliderDown() ||
        QWidget::mouseGrabber() == this ||
        style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this)) {
        return false;
    }
    QPainter painter(this);
    const QTransform to_device = painter.deviceTransform();
    if (to_device.type() > QTransform::TxScale || to_device.m11() != ratio ||
        to_device.m22() != ratio || to_device.dx() != std::floor(to_device.dx()) ||
        to_device.dy() != std::floor(to_device.dy())) {
        return false;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;  // what QScrollBar::paintEvent draws
    option.activeSubControls = QStyle::SC_None;
    const QRect thumb =
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this) +
        kThumbEdges;
    for (const QStyle::SubControl arrow :
         {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine}) {
        if (thumb.intersects(style()->subControlRect(QStyle::CC_ScrollBar, &option, arrow, this))) {
            return false;
        }
    }
    const GrooveLook look{size(), ratio, option.state, palette().cacheKey()};
    if (groove_.isNull() || !(look == groove_look_)) {
        QPixmap groove(size() * static_cast<int>(ratio));
        groove.setDevicePixelRatio(ratio);
        groove.fill(Qt::transparent);
        {
            QPainter painter(&groove);
            QStyleOptionSlider without_thumb = option;
            without_thumb.subControls &= ~QStyle::SC_ScrollBarSlider;
            style()->drawComplexControl(QStyle::CC_ScrollBar, &without_thumb, &painter, this);
        }
        columns_like_middle_ = columns_like_middle(groove.toImage());
        groove_ = std::move(groove);
        groove_look_ = look;
        thumb_ = QPixmap();
    }
    painter.drawPixmap(0, 0, groove_);
    option.subControls = QStyle::SC_ScrollBarSlider;
    // The thumb's gradients and outlines cost the style as much as the groove's. Where
    // the groove beneath the thumb is the same all along, the thumb with the groove
    // beneath it is drawn once and put down wherever the groove is alike.
    const auto alike_beneath = [&] {
        const int first = static_cast<int>(thumb.left() * ratio);
        const int end = static_cast<int>((thumb.right() + 1) * ratio);
        return first >= 0 && end < static_cast<int>(columns_like_middle_.size()) &&
               columns_like_middle_[static_cast<std::size_t>(end)] -
                       columns_like_middle_[static_cast<std::size_t>(first)] ==
                   end - first;
    };
    if (!alike_beneath()) {
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
        return true;
    }
    if (thumb_.isNull() || thumb_.deviceIndependentSize() != QSizeF(thumb.size())) {
        QPixmap patch(thumb.size() * static_cast<int>(ratio));
        patch.setDevicePixelRatio(ratio);
        patch.fill(Qt::transparent);
        QPainter patch_painter(&patch);
        patch_painter.drawPixmap(QPointF(0, 0), groove_,
                                 QRectF(QPointF(thumb.topLeft()) * ratio, QSizeF(patch.size())));
        patch_painter.translate(-thumb.topLeft());
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &patch_painter, this);
        thumb_ = std::move(patch);
    }
    painter.drawPixmap(thumb.topLeft(), thumb_);
    return true;
}

QRect BarWidget::thumb_rect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
}

// Some styles draw an arrow differently at the end it points to, and a transient bar
// flashes on a change: those, and a thumb never painted yet, take the whole repaint.
void BarWidget::sliderChange(SliderChange change) {
    if (change != SliderValueChange || painted_thumb_.isNull() || at_an_end(painted_value_) ||
        at_an_end(value()) || style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this)) {
        QScrollBar::sliderChange(change);
        return;
    }
    update(QRegion(painted_thumb_ + kThumbEdges) + (thumb_rect() + kThumbEdges));
}

// ---- BoxWidget -----------------------------------------------------------------------

BoxWidget::BoxWidget(Skin& skin, View& view, QWidget* parent)
    : QWidget(parent), skin_(skin), view_(view) {
    // Boxes and labels cover their whole rectangle, so Qt need not paint what lies
    // beneath them; the spectrum image lets its frame show where no picture covers it.
    setAttribute(Qt::WA_OpaquePaintEvent, view.kind() != ViewKind::Image);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void BoxWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    switch (view_.kind()) {
        case ViewKind::Image: {
            // Per device pixel of what is painted on: the screen, or a windowless host's
            // buffer at its own ratio.
            const QTransform device = painter.deviceTransform();
            const qreal ratio = device.m11();
            const QRect covered = skin_.window_device_rect(*this, ratio);
            if (rendered_.isNull() || rendered_at_ != covered || rendered_ratio_ != ratio) {
                render_picture(covered, ratio);
            }
            // Drawn in device pixels from the device pixel that the widget's edge lands on
            // (rounded half up, as Qt rounds the edges it fills and clips), so that every
            // pixel of the picture lands on the device pixel it was made for.
            const QTransform to_device = painter.worldTransform().inverted() * device;
            painter.setWorldTransform(QTransform::fromTranslate(std::floor(device.dx() + 0.5),
                                                                std::floor(device.dy() + 0.5)) *
                                      to_device.inverted());
            painter.drawImage(QPointF(0, 0), rendered_);
            break;
        }
        case ViewKind::Label: {
            const auto& label = static_cast<const Label&>(view_);
            painter.fillRect(rect(), to_qcolor(label.BackColor(), palette()));
            painter.setPen(to_qcolor(label.ForeColor(), palette()));
            painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromUtf16(label.Caption().data(),
                                                static_cast<qsizetype>(label.Caption().size())));
            break;
        }
        default:
            if (view_.border_line()) {
                // Filled, not stroked: the frame keeps the device pixels between the box's
                // edges and those of the widgets inside it, which Qt fills the same way, at
                // every scale (a stroked line falls between them at fractional ones).
                painter.fillRect(rect(), palette().color(QPalette::Shadow));
                painter.fillRect(rect().adjusted(1, 1, -1, -1),
                                 to_qcolor(view_.BackColor(), palette()));
            } else {
                painter.fillRect(rect(), to_qcolor(view_.BackColor(), palette()));
            }
            break;
    }
}

// Each device pixel of the widget shows the picture pixel that a press on it picks (the
// same mapping as a pointer's, Skin::twips_at, then relative to the image), so what is
// drawn is exactly what a pick at that pixel reads; pixels no picture covers stay
// transparent and the frame beneath shows through.
void BoxWidget::render_picture(const QRect& covered, qreal ratio) {
    rendered_ = QImage(covered.size(), QImage::Format_ARGB32_Premultiplied);
    rendered_.fill(Qt::transparent);
    rendered_at_ = covered;
    rendered_ratio_ = ratio;
    const auto& image = static_cast<const Image&>(view_);
    const PicturePtr& picture = image.Picture();
    if (!picture) {
        return;
    }
    std::vector<Twips> column_twips(static_cast<std::size_t>(rendered_.width()));
    for (int x = 0; x < rendered_.width(); ++x) {
        column_twips[static_cast<std::size_t>(x)] = static_cast<Twips>(
            skin_.twips_at(covered.topLeft() + QPoint(x, 0), ratio).x() - image.surface_left());
    }
    for (int y = 0; y < rendered_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(rendered_.scanLine(y));
        const auto ty = static_cast<Twips>(
            skin_.twips_at(covered.topLeft() + QPoint(0, y), ratio).y() - image.surface_top());
        for (int x = 0; x < rendered_.width(); ++x) {
            std::int32_t column = 0;
            std::int32_t row = 0;
            const Twips tx = column_twips[static_cast<std::size_t>(x)];
            if (image.picture_pixel_at(tx, ty, column, row)) {
                const ColorValue color = picture->pixel(column, row);
                line[x] = qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
            }
        }
    }
}

void BoxWidget::mousePressEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Press);
}
void BoxWidget::mouseReleaseEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Release);
}
void BoxWidget::mouseMoveEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Move);
}
void BoxWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::DoubleClick);
}
void BoxWidget::keyPressEvent(QKeyEvent* event) {
    skin_.key(event, false);
}
void BoxWidget::focusInEvent(QFocusEvent* event) {
    skin_.focus_changed(*this, event);
}
void BoxWidget::focusOutEvent(QFocusEvent* event) {
    skin_.focus_changed(*this, event);
}

// ---- SurfaceWidget -------------------------------------------------------------------

SurfaceWidget::SurfaceWidget(Skin& skin, QWidget* parent) : QWidget(parent), skin_(skin) {
    setMouseTracking(true);
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), to_qcolor(kSystemButtonFace, palette()));
}

void SurfaceWidget::mousePressEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Press);
}
void SurfaceWidget::mouseReleaseEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Release);
}
void SurfaceWidget::mouseMoveEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::Move);
}
void SurfaceWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    skin_.mouse(*this, event, MouseAction::DoubleClick);
}

}  // namespace tintbox::qtskin
