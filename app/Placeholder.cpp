namespace lectorio { void AppPlaceholder() {} }
