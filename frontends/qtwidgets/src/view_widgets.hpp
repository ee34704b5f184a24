// The Qt widgets that show the views. Each is a thin mirror: it draws the state the skin
// gives it and hands every input event to the skin, which feeds the view layer.
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <vector>

#include "tintbox/views.hpp"

namespace tintbox::qtskin {

class Skin;

// The mark of the view that holds the keyboard focus: a line in the palette's highlight
// colour around the widget, one logical pixel wide at every device pixel ratio.
void draw_focus_mark(QWidget& widget);

// A text field. QLineEdit draws the text, caret and selection; it never edits on its
// own: keys, mouse, input methods and the context menu all go to the skin.
class FieldWidget : public QLineEdit {
  public:
    FieldWidget(Skin& skin, TextField& view, QWidget* parent);
    TextField& view() const { return view_; }
    // Makes this field an overlay of `beneath` (a web-hex pair over txtWebHex): its text
    // is drawn where `beneath` draws the characters at this view's place in twips, on
    // the same device pixels at any scale, not from the field's rounded left edge.
    void lay_over(const FieldWidget& beneath) { beneath_ = &beneath; }
    bool overlay() const { return beneath_ != nullptr; }
    // An overlay draws its text itself, in this colour while it is enabled (the style's
    // greyed text otherwise): a new colour repaints the field and changes no palette, so
    // Qt has no palette to hand down and no opaque region to recompute.
    void set_overlay_text_color(const QColor& color);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool paint_text(QPainter& painter);
    bool font_height_holds_plain_text();

    Skin& skin_;
    TextField& view_;
    const FieldWidget* beneath_ = nullptr;
    QColor overlay_text_color_;
    // The font last checked by font_height_holds_plain_text, and its answer.
    QFont checked_font_;
    bool plain_text_fits_ = false;
};

// The application's style with a square scroll-bar thumb, as wide as the bar is high.
class SquareThumbStyle : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
};

// A horizontal scroll bar. QScrollBar tracks the mouse itself (arrows, page area, thumb);
// the skin turns its actions into the view layer's scroll calls and then shows the
// model's value again. Wheel turns go to the view layer as notches.
//
// Why the skin keeps QScrollBar's hit testing instead of routing the press through
// Surface::press: the style draws the arrows and the thumb where its own sub-control
// rectangles say (they differ between styles, and the arrow width rounds differently
// from the view layer's square arrows in twips), and a press must act on the part the
// person sees under the pointer. Only the press's outcome goes to the view layer, as
// the same ScrollAction or thumb value that the headless hit test would give; what the
// bar does with it (the focus first, the Change on release) stays the view layer's.
class BarWidget : public QScrollBar {
  public:
    BarWidget(Skin& skin, ScrollBar& view, QStyle* style, QWidget* parent);
    ScrollBar& view() const { return view_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A new value moves only the thumb: the bar repaints where the thumb was drawn and
    // where it is now, not the arrows and the rest of the groove.
    void sliderChange(SliderChange change) override;

  private:
    // What the groove and arrows are drawn from; the thumb is not part of it.
    struct GrooveLook {
        QSize size;
        qreal ratio = 0;
        QStyle::State state;
        qint64 palette = 0;
        bool operator==(const GrooveLook& other) const {
            return size == other.size && ratio == other.ratio && state == other.state &&
                   palette == other.palette;
        }
    };

    QRect thumb_rect() const;
    bool at_an_end(int value) const { return value <= minimum() || value >= maximum(); }
    bool paint_thumb_over_groove();

    Skin& skin_;
    ScrollBar& view_;
    QRect painted_thumb_;  // where the last paint drew the thumb
    int painted_value_ = 0;
    QPixmap groove_;  // the bar as the style draws it without its thumb
    GrooveLook groove_look_;
    // For each device column of the groove, how many before it are opaque and the same
    // as its middle column: the thumb drawn over such columns looks the same anywhere.
    std::vector<int> columns_like_middle_;
    QPixmap thumb_;  // the thumb and the groove beneath it, drawn where the groove is alike
};

// A picture box, the spectrum image or a label: painted from the view's state.
class BoxWidget : public QWidget {
  public:
    BoxWidget(Skin& skin, View& view, QWidget* parent);
    View& view() const { return view_; }
    // The spectrum image's picture as drawn at the current size; rebuilt lazily.
    void invalidate_picture() { rendered_ = QImage(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // `covered`: the window's device pixels that the widget covers.
    void render_picture(const QRect& covered, qreal ratio);

    Skin& skin_;
    View& view_;
    QImage rendered_;    // one pixel per device pixel, without a ratio of its own
    QRect rendered_at_;  // the window's device pixels it was made for
    qreal rendered_ratio_ = 0;
};

// The control's own surface: its colour shows between the views, and it clips every
// view to the control's width and height.
class SurfaceWidget : public QWidget {
  public:
    SurfaceWidget(Skin& skin, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    Skin& skin_;
};

}  // namespace tintbox::qtskin
