// A Prompter for the dialog tests: records every message and answers from a
// queue (Yes when the queue is empty and the box asks a question); the file
// chooser returns the queued paths (empty, as cancelled, when none is left).
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
    std::deque<QString> files;
    std::vector<QString> filters;

    QString OpenFile(QWidget*, const QString& filter) override {
        filters.push_back(filter);
        if (files.empty())
            return {};
        const QString f = files.front();
        files.pop_front();
        return f;
    }
    QString BrowseFolder(QWidget*, const QString&, const QString&) override { return {}; }
};

} // namespace lectorio::test
