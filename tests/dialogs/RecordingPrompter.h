// A Prompter for the dialog tests: records every message and answers from a
// queue (Yes when the queue is empty and the box asks a question).
#pragma once

#include <deque>
#include <vector>

#include "Prompter.h"

namespace lectorio::test {

class RecordingPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        QString caption;
        Buttons buttons;
        Icon icon;
    };

    std::vector<Shown> shown;
    std::deque<Answer> answers;

    Answer Message(QWidget*, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon) override {
        shown.push_back({text, caption, buttons, icon});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    QString OpenFile(QWidget*, const QString&) override { return {}; }
    QString BrowseFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

} // namespace lectorio::test
