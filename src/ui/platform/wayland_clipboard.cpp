#include "platform/wayland_clipboard.h"

#if FOLVANE_WAYLAND

#include <fcntl.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QSocketNotifier>
#include <utility>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {

// The text forms of a selection, best first.
constexpr std::array<const char*, 5> kTextTypes{"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "TEXT",
                                                "STRING"};

// Moves bytes through a non-blocking pipe end from the event loop, so that a
// program that is slow to read or write never stops this one.
class PipeTransfer : public QObject {
public:
    // Reading: `fd` is read to its end, then `done` gets the bytes.
    PipeTransfer(int fd, std::function<void(QByteArray)> done)
        : fd_(fd), done_(std::move(done)), notifier_(fd, QSocketNotifier::Read) {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        connect(&notifier_, &QSocketNotifier::activated, this, &PipeTransfer::readSome);
    }
    // Writing: `bytes` go to `fd`, which is then closed.
    PipeTransfer(int fd, QByteArray bytes)
        : fd_(fd), bytes_(std::move(bytes)), notifier_(fd, QSocketNotifier::Write) {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        connect(&notifier_, &QSocketNotifier::activated, this, &PipeTransfer::writeSome);
    }
    ~PipeTransfer() override { finish(); }
    bool finished() const { return fd_ < 0; }

private:
    void finish() {
        if (fd_ < 0) return;
        notifier_.setEnabled(false);
        ::close(fd_);
        fd_ = -1;
    }
    void readSome() {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                bytes_.append(buffer, n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) return;  // more to come
            finish();  // end of the data (or the writer failed: what came is kept)
            if (done_) done_(std::move(bytes_));
            return;
        }
    }
    void writeSome() {
        while (written_ < bytes_.size()) {
            const ssize_t n = ::write(fd_, bytes_.constData() + written_, static_cast<size_t>(bytes_.size() - written_));
            if (n > 0) {
                written_ += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) return;
            break;  // the reader went away
        }
        finish();
    }

    int fd_;
    QByteArray bytes_;
    qsizetype written_ = 0;
    std::function<void(QByteArray)> done_;
    QSocketNotifier notifier_;
};

}  // namespace

struct WaylandClipboard::Connection {
    WaylandClipboard* owner = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwlr_data_control_manager_v1* manager = nullptr;
    zwlr_data_control_device_v1* device = nullptr;
    std::unique_ptr<QSocketNotifier> events;
    // Offers announced, with the types each was announced with.
    std::map<zwlr_data_control_offer_v1*, std::vector<std::string>> offers;
    std::unique_ptr<PipeTransfer> reading;  // the selection being read
    zwlr_data_control_source_v1* source = nullptr;
    QByteArray sourceText;  // UTF-8
    std::vector<std::unique_ptr<PipeTransfer>> writing;

    ~Connection() {
        reading.reset();
        writing.clear();
        for (auto& [offer, types] : offers) zwlr_data_control_offer_v1_destroy(offer);
        if (source) zwlr_data_control_source_v1_destroy(source);
        if (device) zwlr_data_control_device_v1_destroy(device);
        if (manager) zwlr_data_control_manager_v1_destroy(manager);
        if (seat) wl_seat_destroy(seat);
        if (registry) wl_registry_destroy(registry);
        events.reset();
        if (display) wl_display_disconnect(display);
    }

    void flush() {
        if (display) wl_display_flush(display);
    }

    void dispatch() {
        if (wl_display_dispatch(display) < 0) {
            // The compositor went away: nothing more comes from it.
            events->setEnabled(false);
        }
        writing.erase(std::remove_if(writing.begin(), writing.end(), [](const auto& w) { return w->finished(); }),
                      writing.end());
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
        auto* c = static_cast<Connection*>(data);
        if (!c->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
            c->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (!c->manager && std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
            c->manager = static_cast<zwlr_data_control_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}

    static void offerType(void* data, zwlr_data_control_offer_v1* offer, const char* type) {
        auto* c = static_cast<Connection*>(data);
        auto it = c->offers.find(offer);
        if (it != c->offers.end()) it->second.emplace_back(type);
    }

    static void dataOffer(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        static const zwlr_data_control_offer_v1_listener listener{&Connection::offerType};
        auto* c = static_cast<Connection*>(data);
        c->offers[offer] = {};
        zwlr_data_control_offer_v1_add_listener(offer, &listener, c);
    }

    static void selection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        static_cast<Connection*>(data)->selectionChanged(offer);
    }

    static void finished(void* data, zwlr_data_control_device_v1*) {
        auto* c = static_cast<Connection*>(data);
        zwlr_data_control_device_v1_destroy(c->device);
        c->device = nullptr;
    }

    static void primarySelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        // Bound at version 1 this never comes; an offer would only be released.
        auto* c = static_cast<Connection*>(data);
        if (offer) {
            c->offers.erase(offer);
            zwlr_data_control_offer_v1_destroy(offer);
        }
    }

    void selectionChanged(zwlr_data_control_offer_v1* offer) {
        reading.reset();  // a newer selection replaces one still being read
        // Every offer but this one is done with.
        std::vector<std::string> types;
        for (auto it = offers.begin(); it != offers.end();) {
            if (it->first == offer) {
                types = it->second;
                ++it;
            } else {
                zwlr_data_control_offer_v1_destroy(it->first);
                it = offers.erase(it);
            }
        }
        if (!offer) {
            owner->received(false, {});
            return;
        }
        const char* chosen = nullptr;
        for (const char* t : kTextTypes) {
            if (std::find(types.begin(), types.end(), t) != types.end()) {
                chosen = t;
                break;
            }
        }
        int fds[2];
        if (!chosen || ::pipe2(fds, O_CLOEXEC) != 0) {
            owner->received(false, {});
            return;
        }
        zwlr_data_control_offer_v1_receive(offer, chosen, fds[1]);
        flush();
        ::close(fds[1]);
        WaylandClipboard* self = owner;
        reading = std::make_unique<PipeTransfer>(fds[0], [self](QByteArray bytes) {
            self->received(true, QString::fromUtf8(bytes));
        });
    }

    static void send(void* data, zwlr_data_control_source_v1* source, const char*, int32_t fd) {
        auto* c = static_cast<Connection*>(data);
        if (source != c->source) {
            ::close(fd);
            return;
        }
        c->writing.push_back(std::make_unique<PipeTransfer>(fd, c->sourceText));
    }

    static void cancelled(void* data, zwlr_data_control_source_v1* source) {
        auto* c = static_cast<Connection*>(data);
        if (source == c->source) c->source = nullptr;
        zwlr_data_control_source_v1_destroy(source);
    }
};

WaylandClipboard::WaylandClipboard(QObject* parent) : QObject(parent), c_(std::make_unique<Connection>()) {
    c_->owner = this;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")) return;
    c_->display = wl_display_connect(nullptr);
    if (!c_->display) return;
    static const wl_registry_listener registryListener{&Connection::global, &Connection::globalRemove};
    c_->registry = wl_display_get_registry(c_->display);
    wl_registry_add_listener(c_->registry, &registryListener, c_.get());
    wl_display_roundtrip(c_->display);
    if (!c_->seat || !c_->manager) return;
    static const zwlr_data_control_device_v1_listener deviceListener{
        &Connection::dataOffer, &Connection::selection, &Connection::finished, &Connection::primarySelection};
    c_->device = zwlr_data_control_manager_v1_get_data_device(c_->manager, c_->seat);
    zwlr_data_control_device_v1_add_listener(c_->device, &deviceListener, c_.get());
    c_->events = std::make_unique<QSocketNotifier>(wl_display_get_fd(c_->display), QSocketNotifier::Read);
    Connection* c = c_.get();
    connect(c_->events.get(), &QSocketNotifier::activated, this, [c] { c->dispatch(); });
    c_->flush();
}

WaylandClipboard::~WaylandClipboard() = default;

bool WaylandClipboard::available() const { return c_->device != nullptr; }

bool WaylandClipboard::sessionOffersDataControl() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return false;
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    bool offered = false;
    static const wl_registry_listener listener{
        [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
            if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, uint32_t) {}};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &offered);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return offered;
}

void WaylandClipboard::roundTrip() {
    if (c_->display) wl_display_roundtrip(c_->display);
}

void WaylandClipboard::setText(const QString& text) {
    if (!available()) return;
    static const zwlr_data_control_source_v1_listener sourceListener{&Connection::send, &Connection::cancelled};
    if (c_->source) zwlr_data_control_source_v1_destroy(c_->source);
    c_->source = zwlr_data_control_manager_v1_create_data_source(c_->manager);
    c_->sourceText = text.toUtf8();
    for (const char* t : kTextTypes) zwlr_data_control_source_v1_offer(c_->source, t);
    zwlr_data_control_source_v1_add_listener(c_->source, &sourceListener, c_.get());
    zwlr_data_control_device_v1_set_selection(c_->device, c_->source);
    c_->flush();
    // The clipboard holds it from now on: whoever reads the text next (the
    // end of a run remembering it) must not see the one before.
    received(true, text);
}

void WaylandClipboard::received(bool hasText, QString text) {
    const bool same = hasText == hasText_ && text == text_;
    hasText_ = hasText;
    text_ = std::move(text);
    if (!same) Q_EMIT changed();
    if (!std::exchange(received_, true)) Q_EMIT firstReceived();
}

#else  // built without Wayland: never available.

struct WaylandClipboard::Connection {};
WaylandClipboard::WaylandClipboard(QObject* parent) : QObject(parent) {}
WaylandClipboard::~WaylandClipboard() = default;
bool WaylandClipboard::available() const { return false; }
bool WaylandClipboard::sessionOffersDataControl() { return false; }
void WaylandClipboard::roundTrip() {}
void WaylandClipboard::setText(const QString&) {}
void WaylandClipboard::received(bool, QString) {}

#endif
