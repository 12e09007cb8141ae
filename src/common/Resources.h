// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kordavel {

// Registers the program's pictures (application icon, toolbar) kept in this library.
void initResources();

} // namespace kordavel
