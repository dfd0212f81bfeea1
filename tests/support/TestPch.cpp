// Holds the precompiled headers that every test program reuses.
