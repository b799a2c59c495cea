// Presets
