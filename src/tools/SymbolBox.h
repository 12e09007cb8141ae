// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

namespace kordavel {

// The one-letter address box of the Clean dialog: a typed small letter becomes the
// capital, a capital stays, and every other typed character (Backspace too) is refused
// with a beep. Delete and the moving keys work as in any text box.
class SymbolBox : public QLineEdit {
    Q_OBJECT
public:
    explicit SymbolBox(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace kordavel
