#include "Commands.h"

namespace pellmora::cli {

QList<Command> settingsFileCommands()
{
    return {};
}

} // namespace pellmora::cli
