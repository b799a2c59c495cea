// Sampling
