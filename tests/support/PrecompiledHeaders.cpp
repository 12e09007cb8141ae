// SPDX-License-Identifier: GPL-3.0-or-later
// The translation unit that carries the tests' precompiled headers.
