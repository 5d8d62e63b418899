namespace lectorio { void SlowdownPlaceholder() {} }
