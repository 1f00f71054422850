#include "connection/StartupPrivileges.h"

#include "connection/CommandLine.h"
#include "connection/LinkOptions.h"

#include "link/IoPortBackend.h"

using namespace pellmora::link;

using namespace Qt::StringLiterals;

namespace pellmora::connection {

namespace {

// Whether the arguments name the link of this run (else the stored choice
// names it) and whether they ask for --link ioport, read with the programs'
// own link options. The other options of a program are not known here: they
// and a bad argument are reported later by the real parsing, and a link
// option that does not parse only means that no ports are wanted.
struct LinkArguments {
    bool named = false;
    bool ioPorts = false;
    bool valid = false;
};

LinkArguments linkArguments(const QStringList &args)
{
    QCommandLineParser parser;
    prepareParser(parser);
    addLinkOptions(parser);
    parser.parse(QStringList{u"pellmora"_s} + args);
    QString ignored;
    const std::optional<LinkOptions> options = linkOptionsFrom(parser, &ignored);
    return {parser.isSet(u"link"_s) || parser.isSet(u"tty-device"_s),
            options && options->backend == Backend::IoPort, options.has_value()};
}

} // namespace

StartupPrivileges TakeStartupPrivileges(QStringList args, std::unique_ptr<IoPortSystem> system)
{
    // The stored link choice is read later, by Qt code that never runs while
    // a capability is held: without a link on the command line, a program
    // file given CAP_SYS_RAWIO takes the ports in case the choice is the
    // direct I/O ports (only an installer who means them gives it that).
    const LinkArguments link = linkArguments(args);
    const bool portsWanted = link.valid && (link.ioPorts || (!link.named && system->holdsCapabilities()));
    StartupPrivileges privileges;
    if (portsWanted) {
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
