// SPDX-License-Identifier: GPL-3.0-or-later
// The window's keys of one's own (snippets, skips within a segment, font
// size), the Keys dialog, and what the next window remembers.
#include "ValueSlider.h"
#include "WindowFixtures.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace lectorio {
namespace {

class Keys : public TransportFixture {
protected:
    // A key pressed in the transcript box (the test library knows no media keys).
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(dialog.transcriptEdit, &press);
    }
};

// Each key does its own thing; the Keys dialog changes them, and the next
// window remembers them with the speed, the volume, the font and the size.
TEST_F(Keys, EachKeyDoesItsOwnThingAndTheNextWindowRemembers) {
    MakeProject(4, 10000);
    dialog.OnNextSegment();
    ASSERT_EQ(dialog.playbackState, PlaybackState::Playing);
    // The box text and the playback position before and after the key.
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* before;
        int atMs;
        const char* after;
        int toMs;
    };
    const Case cases[] = {
        {Qt::Key_F2, Qt::NoModifier, "", 5000, "A: ", 5000},
        {Qt::Key_F6, Qt::NoModifier, "so", 5000, "so *l ", 5000}, // never glued to the word before
        {Qt::Key_F11, Qt::NoModifier, "so ", 5000, "so *c ", 5000},
        {Qt::Key_F12, Qt::NoModifier, "so", 5000, "so", 5000}, // free by default
        {Qt::Key_Left, Qt::AltModifier, "so", 5000, "so", 3000},
        {Qt::Key_Right, Qt::AltModifier, "so", 5000, "so", 7000},
        {Qt::Key_AudioRewind, Qt::NoModifier, "so", 1500, "so", 0},
        {Qt::Key_AudioForward, Qt::NoModifier, "so", 9000, "so", 10000},
        {Qt::Key_Right, Qt::NoModifier, "so", 5000, "so", 5000}, // a plain arrow stays the box's
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers.toInt()).toString().toStdString());
        dialog.transcriptEdit->setPlainText(c.before);
        dialog.transcriptEdit->moveCursor(QTextCursor::End);
        dialog.OnPlay();
        Advance(c.atMs);
        Press(c.key, c.modifiers);
        EXPECT_EQ(dialog.transcriptEdit->toPlainText(), c.after);
        EXPECT_EQ(Status("position"), std::to_string(c.toMs));
        EXPECT_EQ(dialog.positionSlider->value(), c.toMs);
    }
    // Ctrl++ and Ctrl+- in the box change its font size, point by point.
    const double points = dialog.transcriptEdit->font().pointSizeF();
    Press(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    Press(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(dialog.transcriptEdit->font().pointSizeF(), points + 2);
    Press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(dialog.transcriptEdit->font().pointSizeF(), points + 1);
    EXPECT_TRUE(prompter.messages.empty());

    // The Keys dialog: a snippet for F12 and at least one second to skip.
    EXPECT_FALSE(dialog.PublishMpris()) << "no session bus, nothing published";
    dialog.keysAction->trigger();
    auto* keys = dialog.keysDlg;
    ASSERT_TRUE(keys && keys->isVisible());
    keys->findChild<QLineEdit*>("F12")->setText("(?) ");
    keys->findChild<QLineEdit*>("skipSeconds")->setText("0");
    keys->accept();
    EXPECT_EQ(keys->findChild<QLineEdit*>("skipSeconds")->text(), "1") << "at least one second";
    dialog.transcriptEdit->clear();
    Press(Qt::Key_F12);
    EXPECT_EQ(dialog.transcriptEdit->toPlainText(), "(?) ");
    dialog.OnPlay();
    Advance(5000);
    Press(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Status("position"), "6000");

    dialog.speedSlider->setValue(15);
    auto* volume = static_cast<CValueSlider*>(dialog.volumeSlider);
    const bool hasVolume = volume->minimum() < volume->maximum();
    if (hasVolume)
        volume->setValue((volume->minimum() + volume->maximum()) / 2);
    Press(Qt::Key_Minus, Qt::ControlModifier);
    dialog.resize(dialog.size() + QSize(120, 90));
    dialog.done(0);

    CVorlaDlg next(&prompter);
    EXPECT_EQ(next.keyOptions.Snippet(12), "(?) ");
    EXPECT_EQ(next.keyOptions.skipSeconds, 1);
    EXPECT_EQ(next.speedSlider->value(), 15);
    if (hasVolume) {
        EXPECT_EQ(next.volumeSlider->value(), volume->value());
    }
    EXPECT_EQ(next.transcriptEdit->font().pointSizeF(), dialog.transcriptEdit->font().pointSizeF());
    EXPECT_EQ(next.size(), dialog.size());
}

} // namespace
} // namespace lectorio
