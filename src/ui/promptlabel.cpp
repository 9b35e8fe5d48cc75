// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/promptlabel.h"

#include <QPainter>
#include <QRegularExpression>

namespace vecardia {

void PromptLabel::paintEvent(QPaintEvent *event)
{
    static const QRegularExpression gap(QStringLiteral(" {2,}"));
    const QRegularExpressionMatch match = gap.match(text());
    if (!match.hasMatch()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text().left(match.capturedStart()));
    painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter, text().mid(match.capturedEnd()));
}

} // namespace vecardia
