#include "cli/Commands.h"

namespace pellmora::cli {

QList<Command> commands(const std::shared_ptr<link::IoPortGrant> &ioPorts)
{
    return programFileCommands() + settingsFileCommands() + deviceCommands(ioPorts);
}

} // namespace pellmora::cli
