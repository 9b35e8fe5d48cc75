// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace vecardia {

// A label whose caption leaves a gap of spaces for another control ("在 … 查找："): the words before the gap are
// drawn at its left edge and the words after it at its right edge, so the gap fits the control in any font.
class PromptLabel final : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace vecardia
