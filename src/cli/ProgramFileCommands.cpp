#include "Commands.h"

namespace pellmora::cli {

QList<Command> programFileCommands()
{
    return {};
}

} // namespace pellmora::cli
