#include "connection/StartupPrivileges.h"

#include "connection/CommandLine.h"
#include "connection/LinkOptions.h"

#include "link/IoPortBackend.h"

using namespace pellmora::link;

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

// Whether the arguments ask for --link ioport, read with the programs' own
// link options. The other options of a program are not known here: they
// and a bad argument are reported later by the real parsing, and a link
// option that does not parse only means that no ports are wanted.
bool wantsIoPorts(const QStringList &args)
{
    QCommandLineParser parser;
    prepareParser(parser);
    addLinkOptions(parser);
    parser.parse(QStringList{u"pellmora"_s} + args);
    QString ignored;
    const std::optional<LinkOptions> options = linkOptionsFrom(parser, &ignored);
    return options && options->backend == Backend::IoPort;
}

} // namespace

StartupPrivileges TakeStartupPrivileges(QStringList args, std::unique_ptr<IoPortSystem> system)
{
    StartupPrivileges privileges;
    if (wantsIoPorts(args)) {
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
