#include "Commands.h"

namespace pellmora::cli {

QList<Command> deviceCommands()
{
    return {};
}

} // namespace pellmora::cli
