// The clipboard of a Wayland session as clipboard managers see it: through
// the data-control protocol (wlr-data-control-unstable-v1, offered by sway,
// KWin and Hyprland) on a connection of its own, so that a copy made in any
// program is seen, and a text can be put on the clipboard, while none of this
// program's windows has the keyboard focus. The ordinary protocol allows
// neither to a program in the background.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class WaylandClipboard : public QObject {
    Q_OBJECT
public:
    // Connects to the session's compositor (WAYLAND_DISPLAY). available()
    // is false without a Wayland session, without the protocol, or in a
    // build without Wayland support.
    explicit WaylandClipboard(QObject* parent = nullptr);
    ~WaylandClipboard() override;

    bool available() const;

    // Before the application starts: whether the session is Wayland and its
    // compositor offers the data-control protocol (false in a build
    // without Wayland support).
    static bool sessionOffersDataControl();
    // The clipboard's text as last received (hasText false: none, or not text).
    bool hasText() const { return hasText_; }
    const QString& text() const { return text_; }
    // Offers `text` as the clipboard's content until another program copies.
    void setText(const QString& text);

    // Waits until the compositor has answered everything asked so far.
    void roundTrip();

Q_SIGNALS:
    // The clipboard changed and its text has been read in full.
    void changed();
    // The clipboard's content as it was when the connection was made has
    // been received (once; its text, if any, read in full).
    void firstReceived();

private:
    struct Connection;
    friend struct Connection;
    void received(bool hasText, QString text);

    std::unique_ptr<Connection> c_;
    bool hasText_ = false;
    QString text_;
    bool received_ = false;
};
