// WindowStateModel: the one window-state value of the program (the main
// window's switches, see settings::WindowState), owned by the application
// object. Menus, toolbar, tray and quick bars bind their check marks to it;
// the window reacts to its changes; the settings read and write the plain
// value.
#pragma once

#include <QObject>

#include "settings/window_state.h"

class QAction;
class QAbstractButton;

class WindowStateModel : public QObject {
    Q_OBJECT
public:
    using Flag = folvane::settings::WindowFlag;

    explicit WindowStateModel(QObject* parent = nullptr) : QObject(parent) {}

    const folvane::settings::WindowState& value() const { return state_; }
    bool get(Flag f) const { return folvane::settings::flagOf(state_, f); }
    // Sets one switch; `changed` is emitted only when it differs.
    void set(Flag f, bool on);
    // Sets every switch; `changed` is emitted for each one that differs, in
    // the order of WindowFlag.
    void setAll(const folvane::settings::WindowState& s);

    // A checkable control that shows switch `f` and sets it when the user
    // toggles it. Setting the check mark to the value it has emits nothing,
    // so the two directions do not call each other again.
    void bind(QAction* action, Flag f);
    void bind(QAbstractButton* box, Flag f);

Q_SIGNALS:
    void changed(folvane::settings::WindowFlag flag, bool on);

private:
    folvane::settings::WindowState state_;
};
