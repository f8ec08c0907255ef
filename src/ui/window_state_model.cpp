#include "window_state_model.h"

#include <QAbstractButton>
#include <QAction>

void WindowStateModel::set(Flag f, bool on) {
    bool& v = folvane::settings::flagOf(state_, f);
    if (v == on) return;
    v = on;
    Q_EMIT changed(f, on);
}

void WindowStateModel::setAll(const folvane::settings::WindowState& s) {
    for (int i = 0; i < static_cast<int>(Flag::Count); ++i) {
        const auto f = static_cast<Flag>(i);
        set(f, folvane::settings::flagOf(s, f));
    }
}

namespace {

template <typename Control>
void bindControl(WindowStateModel* model, Control* control, WindowStateModel::Flag f) {
    control->setChecked(model->get(f));
    QObject::connect(control, &Control::toggled, model, [model, f](bool on) { model->set(f, on); });
    QObject::connect(model, &WindowStateModel::changed, control, [control, f](WindowStateModel::Flag g, bool on) {
        if (g == f) control->setChecked(on);
    });
}

}  // namespace

void WindowStateModel::bind(QAction* action, Flag f) { bindControl(this, action, f); }
void WindowStateModel::bind(QAbstractButton* box, Flag f) { bindControl(this, box, f); }
