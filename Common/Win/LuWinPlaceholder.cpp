// Replaced by the system helpers.
