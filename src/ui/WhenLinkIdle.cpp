#include "ui/WhenLinkIdle.h"

#include "link/Link.h"

#include <QPointer>
#include <QTimer>

namespace pellmora::ui {

void whenLinkIdle(link::Link &link, QObject &context, std::function<void()> action)
{
    if (!link.busy()) {
        action();
        return;
    }
    link.whenIdle([&link, guard = QPointer<QObject>(&context), action = std::move(action)] {
        if (guard)
            QTimer::singleShot(0, guard, [&link, guard, action] { whenLinkIdle(link, *guard, action); });
    });
}

} // namespace pellmora::ui
