// The tray as KDE Plasma, GNOME's AppIndicator extension and the Wayland
// panels show it: a StatusNotifierWatcher of the test's own on a session bus
// of its own, and the real program in tray mode on Xvfb.  The item registers
// with its tip and a menu exported over dbusmenu, whose entries are the speed
// menu's in order, and choosing them as such a host does carries them out.
#include <gtest/gtest.h>

#include <regex>

#include "gui/window_manager_fixture.h"
#include "support/dbus_session.h"

namespace zd {
namespace {

struct MenuEntry {
    int id;
    std::string label;  // "-" for a separator
};

// The entries of a dbusmenu layout as gdbus prints it.
std::vector<MenuEntry> EntriesOf(const std::string& layout) {
    std::vector<MenuEntry> entries;
    static const std::regex item(R"(<\((\d+), \{([^}]*)\})");
    static const std::regex label(R"('label': <'([^']*)'>)");
    for (auto it = std::sregex_iterator(layout.begin(), layout.end(), item);
         it != std::sregex_iterator(); ++it) {
        const std::string properties = (*it)[2];
        std::smatch text;
        const bool separator = properties.find("'separator'") != std::string::npos;
        entries.push_back({std::stoi((*it)[1]), separator ? "-"
                                                : std::regex_search(properties, text, label)
                                                    ? text[1].str()
                                                    : "?"});
    }
    return entries;
}

class StatusNotifierTest : public WindowManagerTest {
protected:
    void SetUp() override {
        StartX(false);
        if (IsSkipped() || HasFatalFailure()) return;
        if (!bus.missing().empty()) GTEST_SKIP() << bus.missing();
        ASSERT_EQ(bus.error(), "");
        watcher = std::make_unique<test::Subprocess>(
            bus.OnBus({"/usr/bin/python3", ZD_DESKTOP_TESTS "/status_notifier_watcher.py"}));
        ASSERT_TRUE(watcher->WaitForStdout("watching\n")) << watcher->err();
    }

    // The program in tray mode; the bus name and path of its item in `item`.
    std::unique_ptr<test::Subprocess> StartInTray() {
        test::WriteFile(dir.File("z.INI"), "[Prefs Section]\nSysTray=1\n");
        auto program = std::make_unique<test::Subprocess>(
            x->OnDisplay(bus.OnBus({ZD_PROGRAM, "--ini", dir.File("z.INI")})));
        EXPECT_TRUE(watcher->WaitForStdout("\n", 10000, 2)) << program->err() << watcher->err();
        std::smatch found;
        const std::string said = watcher->out();
        static const std::regex registered(R"(item (\S+) (\S+)\n)");
        if (std::regex_search(said, found, registered)) {
            itemName = found[1];
            itemPath = found[2];
        }
        return program;
    }
    std::string Property(const std::string& name) {
        return bus.Call(itemName, itemPath, "org.freedesktop.DBus.Properties.Get",
                        {"org.kde.StatusNotifierItem", name});
    }
    // Chooses the entry `id` of menu `menu` as a host does on a click.
    void Choose(const std::string& menu, int id) {
        bus.Call(itemName, menu, "com.canonical.dbusmenu.Event",
                 {std::to_string(id), "clicked", "<0>", "0"});
    }

    test::DBusSession bus;
    std::unique_ptr<test::Subprocess> watcher;
    std::string itemName, itemPath;
};

TEST_F(StatusNotifierTest, TheItemExportsTheSpeedMenuAndItsEntriesWork) {
    auto program = StartInTray();
    ASSERT_FALSE(itemName.empty()) << watcher->out() << program->err();
    EXPECT_NE(Property("ToolTip").find("'Zandorelle Speed Menu'"), std::string::npos);
    const std::string menuProperty = Property("Menu");
    std::smatch path;
    ASSERT_TRUE(std::regex_search(menuProperty, path, std::regex("objectpath '([^']+)'")))
        << menuProperty;
    const std::string menu = path[1];
    ASSERT_NE(menu, "/NO_DBUSMENU");

    EXPECT_NE(bus.Call(itemName, menu, "com.canonical.dbusmenu.AboutToShow", {"0"}), "");
    const std::vector<MenuEntry> entries =
        EntriesOf(bus.Call(itemName, menu, "com.canonical.dbusmenu.GetLayout", {"0", "-1", "[]"}));
    std::vector<std::string> labels;
    for (const MenuEntry& entry : entries) labels.push_back(entry.label);
    ASSERT_EQ(labels, (std::vector<std::string>{"Show ZD window", "Listen for Newton", "Disconnect",
                                                "-", "Put files", "-", "Paste", "Preferences",
                                                "About Zandorelle...", "-", "Exit"}));
    EXPECT_FALSE(x->Visible("^Zandorelle$")) << "starts hidden";

    Choose(menu, entries.front().id);
    EXPECT_FALSE(x->WaitForWindow("^Zandorelle$", 5000).empty()) << "Show ZD window shows it";
    EXPECT_TRUE(program->RunsFor(300));
    Choose(menu, entries.back().id);
    EXPECT_EQ(program->WaitForExit(5000), 0) << "Exit ends the program: " << program->err();
}

}  // namespace
}  // namespace zd
