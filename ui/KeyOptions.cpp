// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyOptions.h"

#include <QSettings>

#include <algorithm>

namespace lectorio {

namespace {

QString SnippetKey(int key) {
    return QStringLiteral("Keys/F%1").arg(key);
}

} // namespace

QString KeyOptions::Snippet(int key) const {
    if (key < kFirstKey || key > kLastKey)
        return {};
    return snippets[static_cast<size_t>(key - kFirstKey)];
}

KeyOptions KeyOptions::Load() {
    KeyOptions options;
    const QSettings settings;
    for (int key = kFirstKey; key <= kLastKey; ++key) {
        QString& snippet = options.snippets[static_cast<size_t>(key - kFirstKey)];
        snippet = settings.value(SnippetKey(key), snippet).toString();
    }
    options.skipSeconds = std::max(1, settings.value(QStringLiteral("Keys/SkipSeconds"), 2).toInt());
    return options;
}

void KeyOptions::Save() const {
    QSettings settings;
    for (int key = kFirstKey; key <= kLastKey; ++key)
        settings.setValue(SnippetKey(key), Snippet(key));
    settings.setValue(QStringLiteral("Keys/SkipSeconds"), skipSeconds);
}

} // namespace lectorio
