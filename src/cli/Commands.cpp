#include "cli/Commands.h"

namespace pellmora::cli {

QList<Command> commands()
{
    return programFileCommands() + settingsFileCommands() + deviceCommands();
}

} // namespace pellmora::cli
