// SPDX-License-Identifier: GPL-3.0-or-later
// The window's keys of its own (snippets, skips within a segment, font size),
// the Keys dialog, and what the next window remembers.
#include "WindowFixtures.h"

#include <QApplication>
#include <QKeyEvent>

namespace lectorio {
namespace {

TEST(Keys, EachKeyDoesItsOwnThingAndTheNextWindowRemembers) {
    Window f;
    // A key pressed in the transcript box (the test library knows no media keys).
    const auto press = [&f](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(f.transcriptEdit, &event);
    };
    f.MakeProject(4, 10000);
    f.dialog.OnNextSegment();
    // The box text and the playback position before and after the key.
    const std::tuple<int, Qt::KeyboardModifiers, const char*, int, const char*, int> cases[] = {
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
    for (const auto& [key, modifiers, before, atMs, after, toMs] : cases) {
        SCOPED_TRACE(QKeySequence(key | modifiers.toInt()).toString().toStdString());
        f.transcriptEdit->setPlainText(before);
        f.transcriptEdit->moveCursor(QTextCursor::End);
        f.dialog.OnPlay();
        f.Advance(atMs);
        press(key, modifiers);
        EXPECT_EQ(
            std::tuple(f.transcriptEdit->toPlainText(), f.Status("position"), f.positionSlider->value()),
            std::tuple(QString(after), std::to_string(toMs), toMs));
    }
    // Ctrl++ and Ctrl+- in the box change its font size, point by point.
    const double points = f.transcriptEdit->font().pointSizeF();
    press(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    press(Qt::Key_Plus, Qt::ControlModifier);
    press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_TRUE(f.transcriptEdit->font().pointSizeF() == points + 1 && f.prompter.messages.empty());

    // The Keys dialog: a snippet for F12 and at least one second to skip.
    f.dialog.OnKeys();
    f.keysDlg->findChild<QLineEdit*>("F12")->setText("(?) ");
    f.keysDlg->findChild<QLineEdit*>("skipSeconds")->setText("0");
    f.keysDlg->accept();
    f.transcriptEdit->clear();
    press(Qt::Key_F12);
    f.dialog.OnPlay();
    f.Advance(5000);
    press(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(f.transcriptEdit->toPlainText() + QString::fromStdString(f.Status("position")), "(?) 6000");

    f.speedSlider->setValue(15);
    f.volumeSlider->setValue((f.volumeSlider->minimum() + f.volumeSlider->maximum()) / 2);
    f.dialog.resize(f.dialog.size() + QSize(120, 90));
    f.dialog.done(0);
    CVorlaDlg next(&f.prompter);
    VorlaDlgTestAccess n(next);
    EXPECT_EQ(std::tuple(n.keyOptions.Snippet(12), n.keyOptions.skipSeconds, n.speedSlider->value(),
                         n.volumeSlider->value(), n.transcriptEdit->font().pointSizeF(), next.size()),
              std::tuple(QString("(?) "), 1, 15, f.volumeSlider->value(), points + 1, f.dialog.size()));
}

} // namespace
} // namespace lectorio
