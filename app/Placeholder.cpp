// Placeholder until the windows land.
