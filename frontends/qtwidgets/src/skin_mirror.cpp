// Mirroring: each aspect of a view that changed is written into its Qt widget.
#include <QAccessible>
#include <QPainter>
#include <QSignalBlocker>
#include <algorithm>
#include <iterator>

#include "qt_platform.hpp"
#include "skin.hpp"
#include "tintbox/accessible_names.hpp"

namespace tintbox::qtskin {
namespace {

// The groups QPalette::setColor(role, colour) sets.
constexpr QPalette::ColorGroup kColorGroups[] = {QPalette::Active, QPalette::Inactive,
                                                 QPalette::Disabled};

}  // namespace

void Skin::apply(Mirror& mirror, unsigned dirty) {
    View& view = *mirror.view;
    if (mirror.widget == nullptr) {
        return;
    }
    constexpr unsigned kUnseen = aspect_bit(Aspect::Pointer) | aspect_bit(Aspect::Timer);
    if (repaint_listener_ && (dirty & ~kUnseen) != 0) {
        repaint_listener_(surface_rect(*mirror.widget));
    }
    // QWidget::setGeometry marks the parent's opaque region dirty even for the rectangle
    // the widget has, and a pair field's place in twips often rounds to the same pixels.
    if (dirty & aspect_bit(Aspect::Geometry)) {
        const QRect rect = view_rect(view, twips_per_pixel());
        if (rect != mirror.widget->geometry()) {
            mirror.widget->setGeometry(rect);
            if (repaint_listener_) {
                repaint_listener_(surface_rect(*mirror.widget));
            }
        }
    }
    if (dirty & aspect_bit(Aspect::Visible)) {
        mirror.widget->setVisible(view.Visible());
    }
    if (dirty & aspect_bit(Aspect::Enabled)) {
        mirror.widget->setEnabled(view.Enabled());
        if (std::find(web_hex_pairs_.begin(), web_hex_pairs_.end(), mirror.field) !=
            web_hex_pairs_.end()) {
            apply_text_colors(*web_hex_);
        }
    }
    if (dirty & aspect_bit(Aspect::Pointer)) {
        apply_pointer(mirror);
    }
    if (dirty & aspect_bit(Aspect::Focus)) {
        mirror.widget->update();  // the focus mark
    }
    if (mirror.field != nullptr) {
        apply_field(mirror, dirty);
    } else if (mirror.bar != nullptr) {
        BarWidget& bar = *mirror.bar;
        const ScrollBar& model = bar.view();
        if ((dirty & (aspect_bit(Aspect::Value) | aspect_bit(Aspect::Enabled))) &&
            !bar.isSliderDown()) {
            const QSignalBlocker blocker(bar);
            bar.setRange(model.Min(), model.Max());
            bar.setValue(model.thumb_position());
        }
    } else if (mirror.box != nullptr) {
        if (dirty & (aspect_bit(Aspect::Picture) | aspect_bit(Aspect::Geometry))) {
            mirror.box->invalidate_picture();
        }
        if ((dirty & aspect_bit(Aspect::Colors)) && QAccessible::isActive() &&
            (view.name() == "picNewColor" || view.name() == "picOldColor")) {
            // A new colour is announced once, on the swatch that shows it.
            QAccessibleEvent changed(mirror.widget, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&changed);
        }
        if (dirty & (aspect_bit(Aspect::Colors) | aspect_bit(Aspect::Picture) |
                     aspect_bit(Aspect::Text) | aspect_bit(Aspect::Geometry))) {
            mirror.box->update();
        }
    }
}

void Skin::apply_field(Mirror& mirror, unsigned dirty) {
    FieldWidget& field = *mirror.field;
    const TextField& model = field.view();
    if (dirty & aspect_bit(Aspect::Colors)) {
        apply_text_colors(field);
    }
    if (dirty & aspect_bit(Aspect::Text)) {
        const QString text = to_qstring(model.Text());
        if (field.text() != text) {
            const QSignalBlocker blocker(field);
            field.setText(text);
        }
    }
    if (dirty &
        (aspect_bit(Aspect::Text) | aspect_bit(Aspect::Selection) | aspect_bit(Aspect::Focus))) {
        apply_selection(field);
    }
}

// The palette changes only when a colour it holds changes: a new palette makes Qt hand it
// down and recompute which widgets are opaque. The pair fields' text, which follows
// every colour, is drawn by the field itself, and their palette is not even copied then.
void Skin::apply_text_colors(FieldWidget& field) {
    const TextField& model = field.view();
    const QPalette& theme = owner_.palette();  // the field's own palette is ours
    const QColor back = to_qcolor(model.BackColor(), theme);
    // A disabled field keeps the style's greyed text. txtWebHex shows through where a
    // pair field steps aside, in that pair's colour: while the pair fields are switched
    // off, it shows their greyed look too, though it stays on itself.
    QColor text = to_qcolor(model.ForeColor(), theme);
    if (&field == web_hex_ &&
        std::any_of(web_hex_pairs_.begin(), web_hex_pairs_.end(),
                    [](const FieldWidget* pair) { return !pair->view().Enabled(); })) {
        text = theme.color(QPalette::Disabled, QPalette::Text);
    }
    const bool text_in_palette = !field.overlay();
    if (!text_in_palette) {
        field.set_overlay_text_color(text);
    }
    const QPalette& current = field.palette();
    const auto holds = [&current](QPalette::ColorGroup group, QPalette::ColorRole role,
                                  const QColor& color) {
        return current.color(group, role) == color;
    };
    const bool unchanged = field.testAttribute(Qt::WA_SetPalette) &&
                           std::all_of(std::begin(kColorGroups), std::end(kColorGroups),
                                       [&](QPalette::ColorGroup group) {
                                           return holds(group, QPalette::Base, back) &&
                                                  holds(group, QPalette::Window, back);
                                       }) &&
                           (!text_in_palette || (holds(QPalette::Active, QPalette::Text, text) &&
                                                 holds(QPalette::Inactive, QPalette::Text, text)));
    if (unchanged) {
        return;
    }
    QPalette palette = current;
    palette.setColor(QPalette::Base, back);
    palette.setColor(QPalette::Window, back);
    if (text_in_palette) {
        palette.setColor(QPalette::Active, QPalette::Text, text);
        palette.setColor(QPalette::Inactive, QPalette::Text, text);
    }
    field.setPalette(palette);
}

// A field shows its selection only while it holds the focus (the classic hidden
// selection); the caret position is mirrored always, as it decides the text's scrolling.
void Skin::apply_selection(FieldWidget& field) {
    const TextField& model = field.view();
    const QSignalBlocker blocker(field);
    const int caret = model.caret();
    if (model.has_focus() && model.SelLength() > 0) {
        const int start = model.SelStart();
        const int length = model.SelLength();
        const int anchor = caret == start ? start + length : start;
        if (field.selectionStart() != start || field.selectionLength() != length ||
            field.cursorPosition() != caret) {
            field.setSelection(anchor, caret - anchor);
        }
        return;
    }
    if (field.hasSelectedText()) {
        field.deselect();
    }
    if (field.cursorPosition() != caret) {
        field.setCursorPosition(caret);
    }
}

void Skin::apply_surface() {
    const QSize size = pixel_size(surface_.Width(), surface_.Height());
    surface_widget_->setGeometry(QRect(QPoint(0, 0), size));
    if (repaint_listener_) {
        repaint_listener_(surface_widget_->rect());
    }
    // Outside a layout the widget takes the size the control settled on (the control
    // keeps its height and clamps its width); inside one the layout decides and the
    // surface is clipped to it.
    const bool laid_out = !owner_.isWindow() && owner_.testAttribute(Qt::WA_LaidOut);
    if (!laid_out && !size.isEmpty() && owner_.size() != size) {
        QMetaObject::invokeMethod(
            &owner_,
            [this] {
                if (!session_.detached()) {
                    owner_.resize(pixel_size(surface_.Width(), surface_.Height()));
                }
            },
            Qt::QueuedConnection);
    }
}

void Skin::apply_pointer(Mirror& mirror) {
    switch (mirror.view->pointer_kind()) {
        case PointerKind::Icon:
            mirror.widget->setCursor(cursor_for(mirror.view->MouseIcon()));
            break;
        case PointerKind::Text:
            mirror.widget->setCursor(Qt::IBeamCursor);
            break;
        case PointerKind::Arrow:
            mirror.widget->unsetCursor();
            break;
    }
}

const QCursor& Skin::cursor_for(const PointerShapePtr& shape) {
    const auto found = cursors_.find(shape.get());
    if (found != cursors_.end()) {
        return found->second.second;
    }
    const auto inserted =
        cursors_.emplace(shape.get(), std::make_pair(shape, pointer_cursor(*shape)));
    return inserted.first->second.second;
}

// ---- Focus ---------------------------------------------------------------------------

bool Skin::qt_focus_inside() const {
    const QWidget* focus = owner_.window()->focusWidget();
    return focus != nullptr && (focus == &owner_ || owner_.isAncestorOf(focus));
}

// Qt's focus follows the model's while it is inside the control, or when a person's
// input in the control moved it there; the skin never pulls the focus away from a
// host widget on its own.
void Skin::apply_focus(bool moved) {
    const View* focused = surface_.focused();
    QWidget* widget = focused != nullptr ? widget_for(*focused) : nullptr;
    if (widget == nullptr || owner_.window()->focusWidget() == widget) {
        return;
    }
    if (!qt_focus_inside() && !(session_.person() && moved)) {
        return;
    }
    session_.without_echo([widget] { widget->setFocus(Qt::OtherFocusReason); });
    const char* stand_in = accessible_focus_stand_in(focused->name());
    if (stand_in != nullptr && QAccessible::isActive()) {
        // txtHidden only parks the keys during and after a pick: the spectrum is what
        // assistive technology is told has the focus.
        if (QWidget* spectrum = owner_.viewWidget(QString::fromLatin1(stand_in))) {
            QAccessibleEvent moved(spectrum, QAccessible::Focus);
            QAccessible::updateAccessibility(&moved);
        }
    }
}

}  // namespace tintbox::qtskin
