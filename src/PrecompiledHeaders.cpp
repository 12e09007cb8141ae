// SPDX-License-Identifier: GPL-3.0-or-later
// Carries the precompiled Qt headers that every library of ours reuses.
