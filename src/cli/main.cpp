#include "cli/Commands.h"

#include "connection/StartupPrivileges.h"
#include "link/IoPortBackend.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace pellmora::cli;
using namespace Qt::StringLiterals;

namespace {

// The report draws text, which needs a QGuiApplication; without a display
// it draws on the offscreen platform. The other commands need no GUI.
std::unique_ptr<QCoreApplication> application(int &argc, char *argv[])
{
    if (argc < 2 || std::strcmp(argv[1], "report") != 0)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    // Privileges first, before any Qt object exists.
    const pellmora::connection::StartupPrivileges privileges = pellmora::connection::TakeStartupPrivileges(
        pellmora::connection::StartupArguments(argc, argv), pellmora::link::RealIoPortSystem());
    if (!privileges.error.isEmpty()) {
        std::fputs(qPrintable(u"pellmora-cli: "_s + privileges.error + u'\n'), stderr);
        return ExitFailed;
    }

    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    QCoreApplication::setApplicationName(u"pellmora-cli"_s);
    return runCommandLine(commands(privileges.ioPorts), QCoreApplication::arguments());
}
