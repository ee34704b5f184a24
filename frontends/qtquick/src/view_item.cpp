#include "view_item.hpp"

#include <QAccessible>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>
#include <QSGImageNode>
#include <cmath>
#include <vector>

#include "accessible_names.hpp"
#include "qt_platform.hpp"
#include "tintbox/geometry.hpp"

namespace tintbox::quick {

using qtskin::to_qcolor;

// The spectrum's picture as one texture of the window's device pixels that its item
// covers, laid exactly on them with nothing scaled, so that each device pixel shows the
// picture pixel a press on it picks. A painted item's texture follows the item's logical
// rectangle instead, and where its edges fall between device pixels the renderer rounds
// them its own way.
class PictureLayer final : public QQuickItem {
  public:
    explicit PictureLayer(ViewItem& item) : QQuickItem(&item), item_(item) {
        setFlag(ItemHasContents);
    }

  protected:
    QSGNode* updatePaintNode(QSGNode* old_node, UpdatePaintNodeData*) override {
        return item_.update_picture_node(old_node);
    }

  private:
    ViewItem& item_;
};

ViewItem::ViewItem(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAcceptedMouseButtons(Qt::NoButton);  // the picker takes the mouse for every view
    setAntialiasing(false);
    setSmooth(false);   // painted textures are not filtered
    setVisible(false);  // until the view is mirrored
}

ViewItem::~ViewItem() {
    if (owner_) {
        owner_->detach_item(*this);
    }
}

void ViewItem::setOwner(PickerItem* owner) {
    if (owner_ == owner) {
        return;
    }
    owner_ = owner;
    emit boundChanged();
    attach_to_owner();
}

void ViewItem::setViewIndex(int index) {
    if (view_index_ == index) {
        return;
    }
    view_index_ = index;
    emit boundChanged();
    attach_to_owner();
}

void ViewItem::componentComplete() {
    QQuickPaintedItem::componentComplete();
    attach_to_owner();
}

void ViewItem::attach_to_owner() {
    if (owner_ && view_index_ >= 0 && view_ == nullptr && isComponentComplete()) {
        owner_->attach(*this, view_index_);
    }
}

void ViewItem::bind(View* view) {
    view_ = view;
    if (view_ == nullptr) {
        owner_ = nullptr;  // the picker is going: nothing here may reach it any more
    }
    picture_stale_ = true;
    if (view_ != nullptr) {
        setObjectName(QString::fromStdString(view_->name()));
        // A field takes what an input method composes, committed as typing.
        setFlag(ItemAcceptsInputMethod, view_->kind() == ViewKind::TextField);
        const bool image = view_->kind() == ViewKind::Image;
        setFlag(ItemHasContents, !image);
        if (image && picture_layer_ == nullptr) {
            picture_layer_ = new PictureLayer(*this);
        }
    }
    redraw();
    emit boundChanged();
    emit accessibleDescriptionChanged();
}

bool ViewItem::reachable() const {
    qtskin::AccessibleTexts texts;
    return view_ != nullptr && qtskin::accessible_texts(view_->name(), texts);
}

int ViewItem::accessibleRole() const {
    if (view_ == nullptr) {
        return QAccessible::NoRole;
    }
    switch (view_->kind()) {
        case ViewKind::TextField:
            return QAccessible::EditableText;
        case ViewKind::ScrollBar:
            return QAccessible::ScrollBar;
        default:
            return QAccessible::Graphic;
    }
}

QString ViewItem::accessibleName() const {
    qtskin::AccessibleTexts texts;
    return view_ != nullptr && qtskin::accessible_texts(view_->name(), texts) ? texts.name
                                                                              : QString();
}

QString ViewItem::accessibleDescription() const {
    qtskin::AccessibleTexts texts;
    if (view_ == nullptr || !qtskin::accessible_texts(view_->name(), texts)) {
        return {};
    }
    return qtskin::is_swatch(view_->name()) ? qtskin::color_description(view_->BackColor())
                                            : texts.description;
}

// While txtHidden parks the keys after a press on the spectrum, the spectrum is what
// has the focus.
bool ViewItem::viewFocused() const {
    if (view_ == nullptr) {
        return false;
    }
    const View* focused = view_->surface().focused();
    if (view_->name() == "Colors") {
        return focused != nullptr && focused->name() == "txtHidden";
    }
    return focused == view_;
}

void ViewItem::place(QRectF rect, bool shown) {
    setPosition(rect.topLeft());
    setSize(rect.size());
    setVisible(shown && view_->kind() != ViewKind::Timer);
    redraw();
}

void ViewItem::redraw() {
    if (picture_layer_ != nullptr) {
        picture_layer_->update();
    } else if (flags() & ItemHasContents) {
        update();
    }
}

void ViewItem::mirror(unsigned aspects) {
    if (view_ == nullptr) {
        return;
    }
    if (aspects & aspect_bit(Aspect::Pointer)) {
        switch (view_->pointer_kind()) {
            case PointerKind::Icon:
                setCursor(owner_->cursor_for(view_->MouseIcon()));
                break;
            case PointerKind::Text:
                setCursor(Qt::IBeamCursor);
                break;
            case PointerKind::Arrow:
                unsetCursor();
                break;
        }
    }
    if (aspects & aspect_bit(Aspect::Picture)) {
        picture_stale_ = true;
    }
    if ((aspects & aspect_bit(Aspect::Colors)) && qtskin::is_swatch(view_->name())) {
        emit accessibleDescriptionChanged();
    }
    if (aspects & aspect_bit(Aspect::Focus)) {
        emit viewFocusedChanged();
    }
    constexpr unsigned kUnseen = aspect_bit(Aspect::Pointer) | aspect_bit(Aspect::Timer);
    if (aspects & ~kUnseen) {
        redraw();
    }
}

void ViewItem::keyPressEvent(QKeyEvent* event) {
    if (owner_ && view_ != nullptr) {
        owner_->key(event, view_->kind() == ViewKind::TextField);
    } else {
        event->ignore();
    }
}

void ViewItem::focusInEvent(QFocusEvent* event) {
    QQuickPaintedItem::focusInEvent(event);
    if (owner_) {
        owner_->item_focus_in(this, event->reason());
    }
}

void ViewItem::focusOutEvent(QFocusEvent* event) {
    QQuickPaintedItem::focusOutEvent(event);
    if (owner_) {
        owner_->item_focus_out(event->reason());
    }
}

void ViewItem::inputMethodEvent(QInputMethodEvent* event) {
    if (owner_ && view_ != nullptr && !event->commitString().isEmpty()) {
        owner_->type(event->commitString());
    }
    event->accept();
}

// ---- Drawing -------------------------------------------------------------------------

void ViewItem::paint(QPainter* painter) {
    if (view_ == nullptr || !owner_) {
        return;
    }
    const QPalette palette = QGuiApplication::palette();
    const QRectF area(0, 0, width(), height());
    switch (view_->kind()) {
        case ViewKind::TextField:
            paint_field(*painter);
            break;
        case ViewKind::ScrollBar:
            paint_bar(*painter);
            break;
        case ViewKind::Image:  // its picture layer draws it
            break;
        case ViewKind::Label: {
            const auto& label = static_cast<const Label&>(*view_);
            painter->fillRect(area, to_qcolor(label.BackColor(), palette));
            painter->setFont(owner_->fieldFont());
            painter->setPen(to_qcolor(label.ForeColor(), palette));
            painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                              qtskin::to_qstring(label.Caption()));
            break;
        }
        case ViewKind::PictureBox:
            painter->fillRect(area, to_qcolor(view_->BackColor(), palette));
            if (view_->border_line()) {
                painter->setPen(palette.color(QPalette::Shadow));
                painter->drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
            }
            break;
        case ViewKind::Timer:
            break;
    }
    if (view_->has_focus() && view_->kind() != ViewKind::TextField) {
        painter->setPen(QPen(palette.color(QPalette::Active, QPalette::Highlight), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

// Where a field's text starts, in pixels from its left edge. The pair fields over
// txtWebHex draw their digits on the pixels of those beneath, as the text of txtWebHex is
// laid out: from its left edge, shifted by the pair's offset in twips, kept to the 1/64
// pixel text layout works in. Every other field draws from its left edge.
qreal ViewItem::text_origin() const {
    const View* beneath = view_->surface().find("txtWebHex");
    const std::string& name = view_->name();
    if (beneath == nullptr || beneath == view_ || name.rfind("txtWebHex", 0) != 0) {
        return 0;
    }
    const float twips_per_pixel = owner_->twips_per_pixel();
    const auto pixels = [&](Twips twips) { return geometry::logical_edge(twips, twips_per_pixel); };
    const qreal into_text =
        std::round((view_->Left() - beneath->Left()) / twips_per_pixel * 64) / 64;
    return pixels(beneath->surface_left()) - pixels(view_->surface_left()) + into_text;
}

// The text, its line centred in the field's height; the selection and the caret while
// the field holds the focus (the classic hidden selection).
void ViewItem::paint_field(QPainter& painter) {
    const auto& field = static_cast<const TextField&>(*view_);
    const QPalette palette = QGuiApplication::palette();
    const bool enabled = field.Enabled() && field.surface().Enabled();
    const QRectF area(0, 0, width(), height());
    painter.fillRect(area, to_qcolor(field.BackColor(), palette));
    const QString text = qtskin::to_qstring(field.Text());
    const QFont& font = owner_->fieldFont();
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    const qreal origin = text_origin();
    const auto x_of = [&](int position) {
        return origin + metrics.horizontalAdvance(text.left(position));
    };
    painter.setPen(enabled ? to_qcolor(field.ForeColor(), palette)
                           : palette.color(QPalette::Disabled, QPalette::Text));
    painter.drawText(QPointF(origin, baseline), text);
    if (!field.has_focus()) {
        return;
    }
    if (field.SelLength() > 0) {
        const int start = field.SelStart();
        const QRectF selected(x_of(start), 0, x_of(start + field.SelLength()) - x_of(start),
                              height());
        painter.fillRect(selected, palette.color(QPalette::Active, QPalette::Highlight));
        painter.save();
        painter.setClipRect(selected);
        painter.setPen(palette.color(QPalette::Active, QPalette::HighlightedText));
        painter.drawText(QPointF(origin, baseline), text);
        painter.restore();
    }
    const qreal caret = std::floor(x_of(field.caret()));
    painter.fillRect(QRectF(caret, (height() - metrics.height()) / 2, 1, metrics.height()),
                     enabled ? to_qcolor(field.ForeColor(), palette)
                             : palette.color(QPalette::Disabled, QPalette::Text));
}

// Two square arrow buttons at the ends and a square thumb between them, where the view
// layer's hit testing (ScrollBar::arrow_size, thumb_left) puts them.
void ViewItem::paint_bar(QPainter& painter) {
    const auto& bar = static_cast<const ScrollBar&>(*view_);
    const QPalette palette = QGuiApplication::palette();
    const bool enabled = bar.Enabled() && bar.surface().Enabled();
    const float twips_per_pixel = owner_->twips_per_pixel();
    const qreal arrow = bar.arrow_size() / twips_per_pixel;
    const qreal thumb = bar.thumb_left() / twips_per_pixel;
    painter.fillRect(QRectF(0, 0, width(), height()), palette.color(QPalette::Midlight));
    const QColor face = palette.color(QPalette::Button);
    const QColor edge = palette.color(QPalette::Mid);
    const QColor mark = enabled ? palette.color(QPalette::ButtonText)
                                : palette.color(QPalette::Disabled, QPalette::ButtonText);
    const auto button = [&](QRectF rect) {
        painter.fillRect(rect, face);
        painter.setPen(edge);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    };
    const auto triangle = [&](QRectF rect, bool right) {
        const QPointF centre = rect.center();
        const qreal half = std::max<qreal>(2, rect.height() / 5);
        QPainterPath path;
        path.moveTo(centre.x() + (right ? half / 2 : -half / 2), centre.y());
        path.lineTo(centre.x() + (right ? -half / 2 : half / 2), centre.y() - half);
        path.lineTo(centre.x() + (right ? -half / 2 : half / 2), centre.y() + half);
        path.closeSubpath();
        painter.fillPath(path, mark);
    };
    const QRectF left_arrow(0, 0, arrow, height());
    const QRectF right_arrow(width() - arrow, 0, arrow, height());
    button(left_arrow);
    triangle(left_arrow, false);
    button(right_arrow);
    triangle(right_arrow, true);
    if (enabled) {
        button(QRectF(thumb, 0, arrow, height()));
    }
}

// The device pixels of the window that the item covers: each edge lands where the kit
// rounds it (the item may sit between logical pixels in its scene), as the pointer's
// device pixels are mapped into the surface.
QRect ViewItem::window_device_rect(qreal ratio) const {
    const QRectF scene = mapRectToScene(QRectF(0, 0, width(), height()));
    const int left = geometry::device_edge(scene.left(), ratio);
    const int top = geometry::device_edge(scene.top(), ratio);
    return QRect(left, top, geometry::device_edge(scene.right(), ratio) - left,
                 geometry::device_edge(scene.bottom(), ratio) - top);
}

// Made again, with a new texture, whenever the picture, the item's device pixels or the
// ratio changed; otherwise only laid again where the item now is.
QSGNode* ViewItem::update_picture_node(QSGNode* old_node) {
    auto* node = static_cast<QSGImageNode*>(old_node);
    QQuickWindow* shown_in = window();
    const qreal ratio = shown_in->effectiveDevicePixelRatio();
    const QRect covered = window_device_rect(ratio);
    const bool has_picture =
        view_ != nullptr && owner_ && static_cast<const tintbox::Image&>(*view_).Picture();
    if (!has_picture || covered.isEmpty()) {
        delete node;
        return nullptr;
    }
    if (node == nullptr || picture_stale_ || rendered_at_ != covered || rendered_ratio_ != ratio) {
        const QImage rendered = render_picture(covered, ratio);
        picture_stale_ = false;
        rendered_at_ = covered;
        rendered_ratio_ = ratio;
        delete node;
        node = shown_in->createImageNode();
        node->setFiltering(QSGTexture::Nearest);
        node->setOwnsTexture(true);
        node->setTexture(shown_in->createTextureFromImage(rendered));
    }
    const QPointF origin = picture_layer_->mapToScene(QPointF(0, 0));
    node->setRect(QRectF(covered.left() / ratio - origin.x(), covered.top() / ratio - origin.y(),
                         covered.width() / ratio, covered.height() / ratio));
    return node;
}

// Each device pixel shows the picture pixel that the pointer there would pick: the
// picker's one mapping from the window's device pixels to twips, then the image's own.
// Pixels no picture covers stay transparent.
QImage ViewItem::render_picture(const QRect& covered, qreal ratio) const {
    QImage rendered(covered.size(), QImage::Format_ARGB32_Premultiplied);
    rendered.fill(Qt::transparent);
    const auto& image = static_cast<const tintbox::Image&>(*view_);
    const PicturePtr& picture = image.Picture();
    const auto twips_of = [&](int x, int y) {
        return owner_->twips_of_device_pixel(covered.topLeft() + QPoint(x, y), ratio);
    };
    std::vector<Twips> column_twips(static_cast<std::size_t>(covered.width()));
    for (int x = 0; x < covered.width(); ++x) {
        column_twips[static_cast<std::size_t>(x)] =
            static_cast<Twips>(twips_of(x, 0).x() - image.surface_left());
    }
    for (int y = 0; y < covered.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(rendered.scanLine(y));
        const auto ty = static_cast<Twips>(twips_of(0, y).y() - image.surface_top());
        for (int x = 0; x < covered.width(); ++x) {
            std::int32_t column = 0;
            std::int32_t row = 0;
            if (image.picture_pixel_at(column_twips[static_cast<std::size_t>(x)], ty, column,
                                       row)) {
                const ColorValue color = picture->pixel(column, row);
                line[x] = qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
            }
        }
    }
    return rendered;
}

}  // namespace tintbox::quick
