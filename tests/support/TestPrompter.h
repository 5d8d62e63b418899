// SPDX-License-Identifier: GPL-3.0-or-later
// A Prompter for tests: records every message (text, caption, buttons, icon),
// every file and folder request, and answers from queues. An empty answer
// queue answers Ok to a message, No to a question and cancels a dialog or
// a choice.
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
        Icon icon = Icon::None;
        QStringList choices; // the buttons of a Choose box
    };
    struct FolderRequest {
        QString title;
        QString start;
    };

    Answer Message(QWidget* /*parent*/, const QString& text, const QString& caption, Buttons buttons,
                   Icon icon, const QString& /*detail*/ = {}) override {
        messages.push_back({text, caption, buttons, icon, {}});
        return buttons == Buttons::Ok ? Answer::Ok : Next(answers, Answer::No);
    }

    // Answers from `picks`; an empty queue cancels (the last choice).
    int Choose(QWidget* /*parent*/, const QString& text, const QString& caption,
               const QStringList& choices) override {
        messages.push_back({text, caption, Buttons::Ok, Icon::Warning, choices});
        return Next(picks, static_cast<int>(choices.size()) - 1);
    }

    QString SaveFile(QWidget* /*parent*/, const QString& filter) override {
        filters.push_back(filter);
        return Next(files);
    }

    QString OpenFile(QWidget* /*parent*/, const QString& filter) override {
        filters.push_back(filter);
        return Next(files);
    }

    QString BrowseFolder(QWidget* /*parent*/, const QString& title, const QString& start) override {
        folderRequests.push_back({title, start});
        return Next(folders);
    }

    int ChooseItem(QWidget* /*parent*/, const QString& /*title*/, const QString& /*label*/,
                   const QStringList& /*items*/) override {
        return Next(chosen, -1);
    }

    QString SaveFile(QWidget* /*parent*/, const QString& /*title*/, const QString& proposed,
                     const QString& filter) override {
        savesProposed.push_back(proposed);
        filters.push_back(filter);
        return Next(saves);
    }

    std::vector<Shown> messages;
    std::deque<Answer> answers;
    std::deque<int> picks;       // answers of Choose
    std::deque<QString> files;   // answers of OpenFile and SaveFile; "" cancels
    std::deque<QString> folders; // answers of BrowseFolder; "" cancels
    std::vector<QString> filters;
    std::vector<FolderRequest> folderRequests;
    std::deque<int> chosen;    // answers of ChooseItem; empty cancels
    std::deque<QString> saves; // answers of SaveFile; "" cancels
    std::vector<QString> savesProposed;

private:
    // The next answer of `queue`, or `none` once it is empty.
    template <class T> static T Next(std::deque<T>& queue, T none = {}) {
        if (queue.empty())
            return none;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace lectorio
