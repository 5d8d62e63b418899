// SPDX-License-Identifier: GPL-3.0-or-later
// Every question and message the program shows, and its file and folder
// choosers, go through one Prompter. The program uses QtPrompter (QMessageBox,
// QFileDialog); tests install their own to read every text, caption and button
// set and to answer.
//
// GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lectorio {

class Prompter {
public:
    // YesNoDefaultNo: No is the default button (a question that deletes).
    enum class Buttons { Ok, YesNo, YesNoDefaultNo, YesNoCancel };
    enum class Icon { None, Information, Warning, Error, Question };
    // Cancel: the Cancel button, or Esc on a box that has one.
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompter() = default;

    // A message box owned by `parent` (may be null). An empty caption means
    // the default caption, the program's name "Lectorio". `detail` is shown
    // below the text, in smaller print.
    virtual Answer Message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                           Icon icon, const QString& detail = {}) = 0;

    // A message box with buttons captioned `choices`, the first the default;
    // returns the index of the button pressed. The last choice is the one
    // that cancels: Esc and the close box give it.
    virtual int Choose(QWidget* parent, const QString& text, const QString& caption,
                       const QStringList& choices) = 0;

    // The save-file dialog with a filter as OpenFile takes it; returns the
    // chosen path, or an empty text when cancelled.
    virtual QString SaveFile(QWidget* parent, const QString& filter) = 0;

    // The open-file dialog with a filter such as "Wav Files (*.wav)" or, in
    // the description|patterns form, "Wav Files (*.wav)|*.wav||"; returns the
    // chosen path, or an empty text when cancelled. It opens in the folder
    // last used with the same filter (see DialogFolders.h).
    virtual QString OpenFile(QWidget* parent, const QString& filter) = 0;

    // The folder browser, starting at `start` (when empty: the folder last
    // used with the same title); returns the chosen folder, or an empty text
    // when cancelled.
    virtual QString BrowseFolder(QWidget* parent, const QString& title, const QString& start) = 0;

    // A choice of one of `items` under `label`; returns its index, or -1 when
    // cancelled.
    virtual int ChooseItem(QWidget* parent, const QString& title, const QString& label,
                           const QStringList& items) = 0;

    // The save-file dialog proposing `proposed` (a full path), with a filter
    // such as "SubRip subtitles (*.srt)"; it asks before replacing a file.
    // Returns the chosen path, or an empty text when cancelled.
    virtual QString SaveFile(QWidget* parent, const QString& title, const QString& proposed,
                             const QString& filter) = 0;
};

// A filter of description|patterns pairs ("Wav Files (*.wav)|*.wav||",
// patterns separated by ";") in Qt's form ("Wav Files (*.wav)", pairs joined
// by ";;"). A filter without "|" is returned unchanged.
QString QtFileFilter(const QString& filter);

class QtPrompter : public Prompter {
public:
    Answer Message(QWidget* parent, const QString& text, const QString& caption, Buttons buttons, Icon icon,
                   const QString& detail = {}) override;
    int Choose(QWidget* parent, const QString& text, const QString& caption,
               const QStringList& choices) override;
    QString SaveFile(QWidget* parent, const QString& filter) override;
    QString OpenFile(QWidget* parent, const QString& filter) override;
    QString BrowseFolder(QWidget* parent, const QString& title, const QString& start) override;
    int ChooseItem(QWidget* parent, const QString& title, const QString& label,
                   const QStringList& items) override;
    QString SaveFile(QWidget* parent, const QString& title, const QString& proposed,
                     const QString& filter) override;
};

} // namespace lectorio
