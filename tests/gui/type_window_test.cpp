// "Type on the Newton": which keys the field hands the Newton, that it opens
// empty again, and the real window under icewm typing into the Connection
// application newton-sim plays, Backspace and Return among the keys, as
// xdotool types them.
#include "app/type_window.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

#include "dock/keyboard_text.h"
#include "gui/window_manager_fixture.h"
#include "support/link_fixture.h"

namespace zd {
namespace {

NewtonKey KeyOf(int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    return NewtonKeyOf(event).value_or(NewtonKey{"(none)", 0});
}

TEST(NewtonKeys, TextGoesAsItselfAndKeysAsTheNewtonsOwn) {
    EXPECT_EQ(KeyOf(Qt::Key_Aring, "å").text, "å");
    EXPECT_EQ(KeyOf(Qt::Key_unknown, "€").text, "€");
    // The Newton's own codes, as the protocol's description gives them.
    EXPECT_EQ(KeyOf(Qt::Key_Return, "\r").key, 0x0D);
    EXPECT_EQ(KeyOf(Qt::Key_Backspace, "\b").key, 0x08);
    EXPECT_EQ(KeyOf(Qt::Key_Tab, "\t").key, 0x09);
    EXPECT_EQ(KeyOf(Qt::Key_Left, "").key, 0x1C);
    EXPECT_EQ(KeyOf(Qt::Key_Down, "").key, 0x1F);
    EXPECT_EQ(KeyOf(Qt::Key_Shift, "").text, "(none)");
    EXPECT_EQ(KeyOf(Qt::Key_F5, "").text, "(none)");
    EXPECT_EQ(KeyOf(Qt::Key_S, "\x13", Qt::ControlModifier).text, "(none)") << "a shortcut";
}

class TypeWindowTest : public test::LinkFixture {};

TEST_F(TypeWindowTest, OpenedAgainItIsEmpty) {
    TypeWindow window(session, nullptr);
    window.show();
    window.field()->setPlainText("Hej då");
    window.close();
    window.show();
    EXPECT_EQ(window.field()->toPlainText(), "");
}

TEST_F(WindowManagerTest, WhatIsTypedInTheFieldIsTypedOnTheNewton) {
    auto program =
        StartWithNewton({"--timeout", "30", "--connection", dir.File("typed")}, "listen=1\n");
    ASSERT_FALSE(window.empty());
    // The field opens once Connection has connected; before, the log says why not.
    std::string field;
    for (int i = 0; i < 40 && field.empty(); ++i) {
        Type(window, "ctrl+t");
        field = x->WaitForWindow("^Type on the Newton$", 250);
    }
    ASSERT_FALSE(field.empty()) << program->err();
    x->XDoTool({"windowactivate", "--sync", field});
    Pause(300);
    x->XDoTool({"type", "--delay", "40", "Hej"});
    x->XDoTool({"key", "--delay", "40", "BackSpace"});
    x->XDoTool({"type", "--delay", "40", "j du"});
    x->XDoTool({"key", "--delay", "40", "Return"});
    x->XDoTool({"type", "--delay", "40", "rad 2"});
    x->XDoTool({"key", "Escape"});  // the keyboard ends, and the field with it
    for (int i = 0; i < 50 && test::ReadFile(dir.File("typed")).empty(); ++i) Pause(100);
    EXPECT_EQ(test::ReadFile(dir.File("typed")), "Hej du\nrad 2");
    EXPECT_TRUE(WaitUntilHidden("^Type on the Newton$"));
    EXPECT_TRUE(program->RunsFor(300)) << "Escape in the field ends the typing, not the program";
    Type(window, "Escape");
    EXPECT_EQ(program->WaitForExit(10000), 0) << program->err();
    EXPECT_EQ(newton->WaitForExit(10000), 0) << "the connection said goodbye: " << newton->err();
}

}  // namespace
}  // namespace zd
