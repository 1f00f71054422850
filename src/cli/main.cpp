#include "cli/Commands.h"

#include "connection/StartupPrivileges.h"
#include "link/IoPortBackend.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace pellmora::cli;
using namespace Qt::StringLiterals;

namespace {

int usage()
{
    QTextStream err(stderr);
    err << "usage: pellmora-cli COMMAND [ARGUMENTS]\n"
           "program files:  show FILE.plm [--wording N] [--on WORD --off WORD]\n"
           "                export FILE.plm\n"
           "                import TEXTFILE|- -o FILE.plm\n"
           "settings:       config check FILE\n"
           "database:       db list FILE\n"
           "device:         test | program FILE.plm | read -o FILE.plm | verify FILE.plm\n"
           "                clock [--set HH:MM[:SS] | --sync]\n"
           "device options: --link sim|ioport|tty --port COMn --eeprom-speed N --pic-speed N\n"
           "                --sim-port COMn --sim-memory PATH|none --sim-fault NAME\n"
           "                --tty-device PATH --trace PATH.vcd --verbose\n";
    return ExitUsage;
}

} // namespace

int main(int argc, char *argv[])
{
    // Privileges first, before any Qt object exists.
    const pellmora::connection::StartupPrivileges privileges = pellmora::connection::TakeStartupPrivileges(
        pellmora::connection::StartupArguments(argc, argv), pellmora::link::RealIoPortSystem());
    if (!privileges.error.isEmpty()) {
        std::fputs(qPrintable(u"pellmora-cli: "_s + privileges.error + u'\n'), stderr);
        return ExitRefused;
    }

    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    for (const Command &c : commands(privileges.ioPorts)) {
        if (c.name == command)
            return c.run(args);
    }
    return usage();
}
