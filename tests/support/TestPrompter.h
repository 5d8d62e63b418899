// SPDX-License-Identifier: GPL-3.0-or-later
// A Prompter for tests: records every message (text, caption, buttons, the
// choices of a Choose box) and answers from queues. An empty queue answers
// Ok to a message, No to a question and cancels a dialog or a choice; the
// folder browser is always cancelled.
#pragma once

#include "Prompter.h"

#include <QStringList>

#include <deque>
#include <vector>

namespace lectorio {

class TestPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        QString caption;
        Buttons buttons = Buttons::Ok;
        QStringList choices;
    };

    Answer Message(QWidget*, const QString& text, const QString& caption, Buttons buttons, Icon,
                   const QString& = {}) override {
        messages.push_back({text, caption, buttons, {}});
        return buttons == Buttons::Ok ? Answer::Ok : Next(answers, Answer::No);
    }
    int Choose(QWidget*, const QString& text, const QString& caption, const QStringList& choices) override {
        messages.push_back({text, caption, Buttons::Ok, choices});
        return Next(picks, static_cast<int>(choices.size()) - 1);
    }
    int ChooseItem(QWidget*, const QString&, const QString&, const QStringList&) override {
        return Next(picks, -1);
    }
    QString OpenFile(QWidget*, const QString& filter) override { return SaveFile(nullptr, filter); }
    QString SaveFile(QWidget*, const QString& filter) override {
        filters.push_back(filter);
        return Next(files);
    }
    QString SaveFile(QWidget*, const QString&, const QString& proposed, const QString& filter) override {
        proposals.push_back(proposed);
        return SaveFile(nullptr, filter);
    }
    QString BrowseFolder(QWidget*, const QString&, const QString&) override { return {}; }

    std::vector<Shown> messages;
    std::deque<Answer> answers;
    std::deque<int> picks;     // answers of Choose and ChooseItem
    std::deque<QString> files; // answers of the file dialogs; "" cancels
    QStringList filters, proposals;

private:
    template <class T> static T Next(std::deque<T>& queue, T none = {}) {
        if (queue.empty())
            return none;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace lectorio
