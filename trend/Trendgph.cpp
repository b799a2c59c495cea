// Trendgph
