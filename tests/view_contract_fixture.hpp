// A small surface with a few text fields and a scroll bar, shared by the view-layer
// tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/headless_platform.hpp"
#include "tintbox/views.hpp"

namespace tintbox {

// A small surface with views whose events write into one log.
class ViewContract : public ::testing::Test {
  protected:
    ViewContract()
        : surface(std::make_shared<FakeScreen>(), std::make_shared<DefaultFontMetrics>()) {
        surface.set_design_size(3000, 3000, 1000);
        top = &add_field("top", 0, 0, 1000, 300, 1);
        under = &add_field("under", 0, 0, 1000, 300, 0);
        other = &add_field("other", 0, 1000, 1000, 300, 2);
        bar = &surface.add<ScrollBar>("bar");
        bar->SetLeft(0);
        bar->SetTop(2000);
        bar->SetWidth(1200);
        bar->SetHeight(240);
        bar->SetMax(255);
        bar->set_tab_index(3);
        bar->on_change = [this] { log.push_back("bar.Change " + std::to_string(bar->Value())); };
        bar->on_got_focus = [this] { log.push_back("bar.GotFocus"); };
        surface.set_error_sink(
            [this](const Error& e) { log.push_back(std::string("error ") + e.what()); });
    }

    TextField& add_field(const std::string& name, Twips left, Twips top_, Twips width, Twips height,
                         int tab) {
        TextField& field = surface.add<TextField>(name);
        field.SetLeft(left);
        field.SetTop(top_);
        field.SetWidth(width);
        field.SetHeight(height);
        field.set_tab_index(tab);
        field.on_change = [this, &field] { log.push_back(field.name() + ".Change"); };
        field.on_got_focus = [this, &field] { log.push_back(field.name() + ".GotFocus"); };
        field.on_lost_focus = [this, &field] { log.push_back(field.name() + ".LostFocus"); };
        field.on_mouse_down = [this, &field](const MouseEvent& e) {
            log.push_back(field.name() + ".MouseDown " + std::to_string(e.button));
        };
        field.on_mouse_up = [this, &field](const MouseEvent&) {
            log.push_back(field.name() + ".MouseUp");
        };
        return field;
    }

    Surface surface;
    TextField* top;
    TextField* under;
    TextField* other;
    ScrollBar* bar;
    std::vector<std::string> log;
};

}  // namespace tintbox
