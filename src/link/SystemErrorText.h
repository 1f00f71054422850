#pragma once

#include <QString>

namespace pellmora::link {

// Why a system call failed, in Czech, for a message to the user: a short
// phrase that follows a colon. `error` is an errno value, positive or
// negative. Values the program meets get a text of their own; any other is
// named by its number, never by the system's English text.
QString SystemErrorText(int error);

} // namespace pellmora::link
