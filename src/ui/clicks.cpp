// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clicks.h"

#include <QEvent>
#include <QMouseEvent>

namespace vecardia {

namespace {

class ClickFilter final : public QObject {
public:
    ClickFilter(QWidget *widget, std::function<void()> handler) : QObject(widget), m_handler(std::move(handler)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton &&
                static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint()))
                m_handler();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_handler;
};

} // namespace

void onClick(QWidget *widget, std::function<void()> handler)
{
    widget->installEventFilter(new ClickFilter(widget, std::move(handler)));
}

} // namespace vecardia
