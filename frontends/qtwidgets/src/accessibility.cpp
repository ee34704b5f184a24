#include "accessibility.hpp"

#include <QAccessibleWidget>
#include <algorithm>
#include <vector>

#include "tintbox/accessible_names.hpp"
#include "tintbox/qt/tintbox_widget.hpp"
#include "view_widgets.hpp"

namespace tintbox::qtskin {
namespace {

// The control: a named group of the reachable views, in reading order.
class ControlGroup : public QAccessibleWidget {
  public:
    explicit ControlGroup(TintboxWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Grouping) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) {
            return widget()->accessibleName().isEmpty() ? control_accessible_name()
                                                        : widget()->accessibleName();
        }
        return QAccessibleWidget::text(kind);
    }
    int childCount() const override { return static_cast<int>(reachable().size()); }
    QAccessibleInterface* child(int index) const override {
        const std::vector<QWidget*> views = reachable();
        if (index < 0 || index >= static_cast<int>(views.size())) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(views[static_cast<std::size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const std::vector<QWidget*> views = reachable();
        const auto found = std::find(views.begin(), views.end(), child ? child->object() : nullptr);
        return found == views.end() ? -1 : static_cast<int>(found - views.begin());
    }

  private:
    // Top to bottom, then left to right, as the views sit in the control.
    std::vector<QWidget*> reachable() const {
        auto* control = static_cast<TintboxWidget*>(widget());
        std::vector<QWidget*> views;
        for (std::string_view name : accessible_views()) {
            QWidget* view = control->viewWidget(
                QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
            if (view != nullptr && view->isVisibleTo(control)) {
                views.push_back(view);
            }
        }
        std::stable_sort(views.begin(), views.end(), [control](QWidget* a, QWidget* b) {
            const QPoint pa = a->mapTo(control, QPoint(0, 0));
            const QPoint pb = b->mapTo(control, QPoint(0, 0));
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
        return views;
    }
};

QAccessibleInterface* control_group_of(QWidget* widget) {
    for (QWidget* up = widget; up != nullptr; up = up->parentWidget()) {
        if (auto* control = qobject_cast<TintboxWidget*>(up)) {
            return QAccessible::queryAccessibleInterface(control);
        }
    }
    return nullptr;
}

// The swatches and the spectrum: pictures with a name, and a description that tells
// the swatch's colour or how to use the spectrum.
class ViewGraphic : public QAccessibleWidget {
  public:
    explicit ViewGraphic(BoxWidget* box) : QAccessibleWidget(box, QAccessible::Graphic) {}

    QAccessibleInterface* parent() const override { return control_group_of(widget()); }
    QString text(QAccessible::Text kind) const override {
        const View& view = box().view();
        AccessibleTexts texts;
        accessible_texts(view.name(), texts);
        switch (kind) {
            case QAccessible::Name:
                return texts.name;
            case QAccessible::Description:
                return is_swatch(view.name()) ? color_description(view.BackColor())
                                              : texts.description;
            default:
                return QAccessibleWidget::text(kind);
        }
    }
    // While txtHidden parks the focus after a press on the spectrum, the spectrum is
    // what has it.
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const View& view = box().view();
        if (view.name() == "Colors") {
            const View* focused = view.surface().focused();
            state.focusable = true;
            const char* stand_in =
                focused != nullptr ? accessible_focus_stand_in(focused->name()) : nullptr;
            state.focused = stand_in != nullptr && view.name() == stand_in;
        }
        return state;
    }

  private:
    BoxWidget& box() const { return *static_cast<BoxWidget*>(widget()); }
};

// A view that only the control's logic uses: never shown to assistive technology.
class AuxiliaryView : public QAccessibleWidget {
  public:
    explicit AuxiliaryView(QWidget* widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = true;
        return state;
    }
    QString text(QAccessible::Text) const override { return {}; }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
};

QAccessibleInterface* tintbox_accessible(const QString&, QObject* object) {
    if (auto* control = qobject_cast<TintboxWidget*>(object)) {
        return new ControlGroup(control);
    }
    AccessibleTexts texts;
    if (auto* box = dynamic_cast<BoxWidget*>(object)) {
        if (accessible_texts(box->view().name(), texts)) {
            return new ViewGraphic(box);
        }
        return new AuxiliaryView(box);
    }
    if (auto* field = dynamic_cast<FieldWidget*>(object)) {
        if (!accessible_texts(field->view().name(), texts)) {
            return new AuxiliaryView(field);
        }
    }
    return nullptr;  // Qt's own interfaces for the fields and bars a person reaches
}

}  // namespace

void install_accessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&tintbox_accessible);
        return true;
    }();
    (void)installed;
}

}  // namespace tintbox::qtskin
