// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/prompter.h"

#include "product/product.h"

namespace vecardia {

void Prompter::critical(const QString &text)
{
    message(text, Icon::Critical, Buttons::Ok, product::kTitle);
}

void Prompter::information(const QString &text)
{
    message(text, Icon::Information, Buttons::Ok, product::kTitle);
}

bool Prompter::askYesNo(const QString &text)
{
    return message(text, Icon::Question, Buttons::YesNo, product::kTitle) == Answer::Yes;
}

} // namespace vecardia
