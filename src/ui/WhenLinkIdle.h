#pragma once

#include <QObject>

#include <functional>

namespace pellmora::link {
class Link;
}

namespace pellmora::ui {

// Runs `action` when no device operation holds the link: at once when none
// does, otherwise from the event loop soon after the one that does has ended
// (never inside it, where it could only interleave with the transfer's own
// reporting), and looks again then, since a click processed meanwhile may
// have started another. Nothing runs once `context` is gone.
void whenLinkIdle(link::Link &link, QObject &context, std::function<void()> action);

} // namespace pellmora::ui
