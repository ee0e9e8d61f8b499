// The real program on Xvfb, under icewm unless a test asks for none, and the
// ways a user reaches it: a click on a control, keys typed into the focused
// window, the tray icon.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QPoint>
#include <QRect>
#include <chrono>
#include <thread>

#include "app/main_window.h"
#include "support/link_fixture.h"
#include "support/subprocess.h"
#include "support/x_session.h"

namespace zd {

inline void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class WindowManagerTest : public test::LinkFixture {
protected:
    void SetUp() override { StartX(true); }

    // Xvfb, and icewm with its tray when `windowManager`; a machine without
    // them skips the test.  Callers that go on check IsSkipped() first.
    void StartX(bool windowManager) {
        ::chmod(dir.path().c_str(), 0700);
        x = std::make_unique<test::XSession>(windowManager, dir.path());
        if (!x->missing().empty()) GTEST_SKIP() << x->missing();
        ASSERT_EQ(x->error(), "");
    }

    std::unique_ptr<test::Subprocess> Start() {
        return std::make_unique<test::Subprocess>(
            x->OnDisplay({ZD_PROGRAM, "--ini", dir.File("z.INI")}));
    }
    // newton-sim on a pseudo-terminal with `simArgs`, a preference file that
    // finds it with `prefs` added, and the window started: its id in `window`.
    std::unique_ptr<test::Subprocess> StartWithNewton(const std::vector<std::string>& simArgs,
                                                      const std::string& prefs = "") {
        std::vector<std::string> argv{NEWTON_SIM, "--pty"};
        argv.insert(argv.end(), simArgs.begin(), simArgs.end());
        newton = std::make_unique<test::Subprocess>(argv);
        const std::string pty = test::WaitForSimPty(*newton);
        EXPECT_FALSE(pty.empty());
        test::WriteFile(dir.File("z.INI"),
                        "[Prefs Section]\nport=0\nSerial0=" + pty + "\n" + prefs);
        auto program = Start();
        window = x->WaitForWindow("^Zandorelle$");
        EXPECT_FALSE(window.empty()) << program->err();
        return program;
    }

    // Where control `id` lies in the window, measured on a window built here
    // the same way.
    QRect Place(int id) {
        MainWindow window(session);
        auto* control = window.findChild<QWidget*>(QString::number(id));
        return QRect(control->mapTo(&window, QPoint(0, 0)), control->size());
    }
    QPoint Centre(int id) { return Place(id).center(); }
    void Click(const std::string& window, QPoint at, const char* button = "1") {
        x->XDoTool({"mousemove", "--window", window, std::to_string(at.x()), std::to_string(at.y()),
                    "click", button});
    }
    // Keys typed into the window as the focused one, press and release.
    void Type(const std::string& window, const std::string& keys) {
        x->XDoTool({"windowactivate", "--sync", window, "key", "--clearmodifiers", keys});
    }
    // The saved rectangle as the preference file holds it.
    std::string SavedRect() {
        std::string rect;
        const std::string file = test::ReadFile(dir.File("z.INI"));
        for (const char* key : {"PosX=", "PosY=", "topx=", "bottomx="}) {
            const size_t at = file.find(key);
            rect += at == std::string::npos ? "-" : file.substr(at, file.find('\n', at) - at);
            rect += " ";
        }
        return rect;
    }
    // The icon the program put in icewm's system tray: its embedder.
    std::string TrayIcon() {
        for (int i = 0; i < 100; ++i) {
            const std::string found = x->XDoTool({"search", "--name", "^YXTrayEmbedder$"});
            if (!found.empty()) return found.substr(0, found.find('\n'));
            Pause(50);
        }
        return "";
    }
    void OpenSpeedMenuAndChoose(const std::string& icon, const std::string& keys) {
        x->XDoTool({"mousemove", "--window", icon, "12", "12", "click", "3"});
        Pause(500);
        x->XDoTool({"key", keys, "Return"});
    }
    // Gives the file dialog titled `title` the name `path` and takes it: the
    // name pasted, since xdotool now and then loses a letter like "ü" it types.
    // True once the dialog has gone.
    bool ChooseInDialog(const std::string& title, const std::string& path) {
        if (x->WaitForWindow("^" + title + "$", 5000).empty()) return false;
        Pause(500);  // until the dialog has put its focus on the name
        test::Subprocess setClipboard(
            x->OnDisplay({"/usr/bin/xclip", "-i", "-selection", "clipboard"}));
        setClipboard.Write(path);
        setClipboard.CloseInput();
        setClipboard.WaitForExit(3000);
        x->XDoTool({"key", "ctrl+a", "ctrl+v"});
        Pause(200);
        // A completion list that opened over the name may take the first Return.
        for (int i = 0; i < 5 && x->Visible("^" + title + "$"); ++i) {
            x->XDoTool({"key", "Return"});
            Pause(400);
        }
        return !x->Visible("^" + title + "$");
    }
    bool WaitUntilHidden(const std::string& name) {
        for (int i = 0; i < 60; ++i) {
            if (!x->Visible(name)) return true;
            Pause(50);
        }
        return false;
    }

    std::unique_ptr<test::XSession> x;
    std::unique_ptr<test::Subprocess> newton;  // of StartWithNewton
    std::string window;
};

}  // namespace zd
