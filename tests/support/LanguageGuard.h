// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Puts the language back however the test ends, so one failure does not leave the next
// tests in another language.
#include "i18n/Language.h"

namespace kordavel::test {

struct LanguageGuard {
    qint16 was = language();
    LanguageGuard() = default;
    LanguageGuard(const LanguageGuard &) = delete;
    LanguageGuard &operator=(const LanguageGuard &) = delete;
    ~LanguageGuard() { setLanguageNumber(was); }
};

} // namespace kordavel::test
