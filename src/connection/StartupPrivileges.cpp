#include "connection/StartupPrivileges.h"

#include "connection/LinkOptions.h"

#include "link/IoPortBackend.h"

using namespace pellmora::link;

namespace pellmora::connection {

StartupPrivileges TakeStartupPrivileges(QStringList args, std::unique_ptr<IoPortSystem> system)
{
    // A bad option is reported later by the real parsing; here it only
    // means that no ports are wanted.
    QString ignored;
    const std::optional<LinkOptions> options = takeLinkOptions(args, &ignored);
    StartupPrivileges privileges;
    if (options && options->backend == Backend::IoPort) {
        privileges.ioPorts = IoPortGrant::take(std::move(system));
        privileges.error = privileges.ioPorts->privilegesKept();
    } else {
        privileges.error = GiveUpCapabilities(*system);
    }
    return privileges;
}

QStringList StartupArguments(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

} // namespace pellmora::connection
