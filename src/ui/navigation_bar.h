// The navigation bar's parts beside the toolbar's buttons: the decorative
// frame, the update page's view and the advertisement link label, placed
// by the bar's layout rule inside the toolbar, which is their container.
#pragma once

#include <QLabel>
#include <QObject>
#include <QUrl>
#include <array>
#include <functional>

#include "link_label.h"
#include "web/navigation_bar.h"
#include "web/update_request.h"

class UpdateChecker;
class WebFeatures;

namespace folvane::settings {
class IniStore;
}


// Where the update request's machine and hardware texts come from.
struct UpdateRequestSources {
    std::string machineIdFile = "/etc/machine-id";
    std::string hardwareDir = "/sys/class/dmi/id";
};

// The update page's address: `base`, the machine and hardware texts read
// now, the start count stored under "CONFIG1" (default "0") and the wish.
QUrl updatePageUrl(const QString& base, const folvane::settings::IniStore* store, bool updateWish,
                   const UpdateRequestSources& sources = {});

class NavigationBarParts : public QObject {
    Q_OBJECT
public:
    // `web` may be null: the bar then has no page view. `address` builds the
    // update request anew each time.
    NavigationBarParts(QWidget* container, WebFeatures* web, std::function<QUrl()> address, int retryIntervalMs,
                       QObject* parent = nullptr);

    // Places everything for the window's client width and outer width; a
    // change of `barShown` moves the page and the label out of sight or
    // brings them back.
    void layout(int clientWidth, int outerWidth, bool barShown);

    // Starts the update page once `window` is on the screen.
    void startUpdates(QWidget* window);

    UpdateChecker* updates() const { return updates_; }  // null without web features
    QWidget* pageView() const;  // the update page's view, once made
    const folvane::web::NavigationBarState& state() const { return state_; }

private:
    void placePageView();
    // The right edge of the container's last toolbar button (0 for none).
    int buttonsRight() const;

    QWidget* container_;
    std::array<QLabel*, 3> frames_{};
    LinkLabel* advertisement_ = nullptr;
    UpdateChecker* updates_ = nullptr;
    folvane::web::NavigationBarState state_;
    folvane::web::NavigationBarGeometry geometry_;
    bool shown_ = true;  // the bar is visible when the window is created
};
