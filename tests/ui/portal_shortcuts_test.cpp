// The desktop portal's global shortcuts, the parts that need no portal: the
// shortcuts asked for and what their identifiers stand for, the Request
// paths the answers arrive at, and a program with no session bus. The
// exchange with the portal itself is tested against Debian's front end by
// ui_wayland_portal_shortcut.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "platform/portal_shortcuts.h"

namespace {

using folvane::engine::DesktopTrigger;

TEST(PortalShortcuts, AsksForAltQAndShiftF12WithIdentifiersThatComeBack) {
    const QList<PortalShortcut> wanted = PortalShortcuts::wanted();
    ASSERT_EQ(wanted.size(), 2);
    struct Row {
        DesktopTrigger trigger;
        const char* preferred;
    };
    const Row rows[] = {{DesktopTrigger::OneClick, "ALT+q"}, {DesktopTrigger::ShowHide, "SHIFT+F12"}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(PortalShortcuts::triggerFor(wanted[i].id), rows[i].trigger);
        EXPECT_EQ(wanted[i].properties.value(QStringLiteral("preferred_trigger")).toString(),
                  QLatin1String(rows[i].preferred));
        EXPECT_FALSE(wanted[i].properties.value(QStringLiteral("description")).toString().isEmpty());
    }
}

TEST(PortalShortcuts, UnknownIdentifiersDoNothing) {
    for (const char* id : {"", "Typeset-Clipboard", "typeset-clipboard ", "show", "quit"}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(PortalShortcuts::triggerFor(QString::fromLatin1(id)).has_value());
    }
}

TEST(PortalShortcuts, RequestPathsAsThePortalMakesThem) {
    struct Row {
        const char* unique;
        const char* token;
        const char* path;
    };
    const Row rows[] = {
        {":1.42", "folvane_7_1", "/org/freedesktop/portal/desktop/request/1_42/folvane_7_1"},
        {":1.1234", "t", "/org/freedesktop/portal/desktop/request/1_1234/t"},
        {":12.3.4", "x", "/org/freedesktop/portal/desktop/request/12_3_4/x"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.unique);
        EXPECT_EQ(PortalShortcuts::requestPath(QString::fromLatin1(r.unique), QString::fromLatin1(r.token)),
                  QLatin1String(r.path));
    }
}

TEST(PortalShortcuts, NoSessionBusLeavesTheKeysToTheDesktopsOwnShortcuts) {
    // A bus address nobody listens at: the connection fails at once.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/folvane-test-bus");
    PortalShortcuts portal;
    QSignalSpy states(&portal, &PortalShortcuts::stateChanged);
    portal.start();
    EXPECT_EQ(portal.state(), PortalShortcuts::State::Unavailable);
    EXPECT_FALSE(portal.pending());
    EXPECT_EQ(states.size(), 1);
    portal.start();  // once only
    EXPECT_EQ(states.size(), 1);
}

}  // namespace
