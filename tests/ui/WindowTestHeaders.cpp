// Owns the precompiled window test headers that every window test reuses.
