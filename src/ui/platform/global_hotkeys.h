// Global hot keys: key combinations that reach the program whichever window
// has the focus. On X11 the keys are grabbed on the root window; on any other
// platform registration fails and returns 0.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <vector>

class GlobalHotKeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit GlobalHotKeys(QObject* parent = nullptr);
    ~GlobalHotKeys() override;

    // Registers `modifiers` + `key` (Alt, Shift, Control, Meta; a letter or
    // F1-F35). Returns an identifier above 0, or 0 when the platform has no
    // global keys or another program already holds the combination.
    int registerHotKey(Qt::KeyboardModifiers modifiers, Qt::Key key);
    void unregisterAll();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

Q_SIGNALS:
    void activated(int id);

private:
    struct Grab {
        int id;
        unsigned keycode;
        unsigned modifiers;
    };
    void ungrab(const Grab& g);

    std::vector<Grab> grabs_;
    int nextId_ = 1;
    bool filterInstalled_ = false;
};
