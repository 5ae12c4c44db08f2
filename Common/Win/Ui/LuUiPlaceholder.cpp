// Replaced by the UI toolkit.
