// The component editors: each scroll bar and its decimal field. The field is the master
// of its component: only its Change handler writes the scroll bar, and the bar's own
// Change handler only copies its value into the field. The focus handlers here serve the
// decimal and hexadecimal fields too.
#include "control/tintbox_internals.hpp"

namespace tintbox {

void Tintbox::Parts::hsComponent_Change(ScrollBar& bar, TextField& field, const char* field_tag) {
    // While the user edits the field, the field moves its bar, and its text ("007") is
    // never rewritten from the bar. A bar that moved away from the field's number under
    // that tag was moved by the user while a setter's tag was still current: it must
    // still reach the field, or bar and field would disagree.
    if (ChangeSource_ == field_tag && bar.Value() == Val(field.Text())) {
        return;
    }
    field.SetText(DecimalForm(bar.Value()));
}

void Tintbox::Parts::txtComponent_Change(TextField& field, ScrollBar& bar, const char* field_tag,
                                         const char* bar_tag) {
    const std::int32_t caret = field.SelStart();
    field.SetText(DecimalDigitsOnly(field.Text()));
    if (Val(field.Text()) > 255) {
        field.SetText(u"255");
    }
    bar.SetValue(ToInt16(Val(field.Text())));
    FinishEditorChange(field, caret, ChangeSource_ == bar_tag || ChangeSource_ == field_tag);
}

void Tintbox::Parts::TextEditor_GotFocus(TextField& field, const char* tag, bool clicked) {
    ChangeSource_ = tag;
    if (!clicked) {
        SelectAll(field);
    }
}

void Tintbox::Parts::txtComponent_LostFocus(TextField& field, bool& clicked) {
    field.SetText(DecimalForm(ToInt32(Val(field.Text()))));
    clicked = false;
}

void Tintbox::Parts::FinishEditorChange(TextField& field, std::int32_t caret, bool change_is_ours) {
    field.SetSelStart(caret);
    if (change_is_ours) {
        ColorValue color = 0;
        UpdateColor(color);
    } else {
        // The colour core wrote this text on behalf of another view.
        SelectAll(field);
    }
}

void Tintbox::Parts::SelectAll(TextField& field) {
    field.SetSelStart(0);
    field.SetSelLength(static_cast<std::int32_t>(field.Text().size()));
}

}  // namespace tintbox
