namespace lectorio { void PlaybackPlaceholder() {} }
