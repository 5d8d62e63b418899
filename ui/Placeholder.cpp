namespace lectorio { void UiPlaceholder() {} }
