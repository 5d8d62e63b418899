// SPDX-License-Identifier: GPL-3.0-or-later
// The keys of one's own: the texts that F2 to F12 insert into the transcript,
// and how far the skip keys jump within a segment. Kept in the user's
// settings (QSettings of the application), so they outlive the session and
// hold for every project.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace lectorio {

struct KeyOptions {
    static constexpr int kFirstKey = 2; // F2
    static constexpr int kLastKey = 12; // F12
    static constexpr int kKeyCount = kLastKey - kFirstKey + 1;

    // Speaker labels and the event mark-up of the final text; F12 is free.
    std::array<QString, kKeyCount> snippets{QStringLiteral("A: "),
                                            QStringLiteral("B: "),
                                            QStringLiteral("C: "),
                                            QStringLiteral("D: "),
                                            QStringLiteral("*l "),
                                            QStringLiteral("*h "),
                                            QStringLiteral("*n "),
                                            QStringLiteral("*p "),
                                            QStringLiteral("*m "),
                                            QStringLiteral("*c "),
                                            QString()};
    int32_t skipSeconds = 2; // whole seconds, at least 1

    // The text of F`key` (2 to 12); empty for other keys.
    QString Snippet(int key) const;

    // The saved options, with the defaults for what was never saved.
    static KeyOptions Load();
    void Save() const;
};

} // namespace lectorio
