// Carries the precompiled Qt headers that every library of ours reuses.
