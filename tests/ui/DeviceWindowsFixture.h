#pragma once

// The main window with the application's windows beside it, wired as the
// application wires them, over a simulated time switch that answers at once
// (its clock paced by the link's bit delays, a short write cycle, blank
// memory that is never saved).

#include "app/AppWindows.h"
#include "DialogTestKit.h"
#include "MainWindowFixture.h"

#include "connection/DeviceConnection.h"
#include "connection/LinkOptions.h"
#include "sim/SimulatedSwitch.h"

#include "../sim/PacedSwitchClock.h"

namespace pellmora::ui::test {
using namespace pellmora::link;
using namespace pellmora::ui;
using namespace pellmora::app;

inline std::unique_ptr<connection::DeviceConnection> openSimulatedSwitch(LinkState &state,
                                                                     const QList<sim::Fault> &faults = {})
{
    const pellmora::test::PacedSwitchClock clock;
    connection::LinkOptions options;
    options.simMemoryNone = true;
    options.simWriteCycleSelects = 2;
    options.simPullCableAfterBytes = 200; // a pulled cable cuts a load in the middle of its data
    options.simFaults = faults;
    options.simMonotonicNanos = clock.source();
    QString error;
    auto connection = connection::DeviceConnection::open(options, state, state.SelectedPort, &error);
    if (!connection)
        qFatal("simulated switch: %s", qPrintable(error));
    clock.pace(connection->link(), *connection->simulatedSwitch());
    return connection;
}

struct DeviceWindowsUnderTest : WindowUnderTest {
    std::unique_ptr<connection::DeviceConnection> connection;
    Windows others;

    // Started with a configuration and an empty database, so that start-up
    // has nothing to report; then the windows beside it on a switch with
    // these faults.
    explicit DeviceWindowsUnderTest(const QList<sim::Fault> &faults = {})
    {
        startWith(configurationText(), EmptyDatabase);
        connection = openSimulatedSwitch(session.link, faults);
        window->setDeviceLink(&connection->link());
        others.create(session, prompt, connection->link(), *window);
        others.connect(*window);
        onShowWindow = [this](OtherWindow shown) { others.show(shown); };
        others.followPort(*window, *connection, prompt);
        prompt.shown.clear();
    }

    ~DeviceWindowsUnderTest() { window.reset(); }
    DeviceWindowsUnderTest(const DeviceWindowsUnderTest &) = delete;
    DeviceWindowsUnderTest &operator=(const DeviceWindowsUnderTest &) = delete;

    // The device commands enabled and the selected port's block in use,
    // as a successful communication test leaves them.
    void asAfterCommunicationTest()
    {
        window->SetDeviceCommandsEnabled(true);
        session.link.PortBase = Link::ComPortBase(session.link.SelectedPort);
    }

    sim::SimulatedSwitch &device() { return *connection->simulatedSwitch(); }

    // The text the info bar was last given with ShowInfo.
    QString lastInfo() const
    {
        const QString &text = window->infoBar().infoText();
        const qsizetype open = text.lastIndexOf(QLatin1Char('<'));
        return open < 0 ? QString() : text.mid(open + 1).chopped(1);
    }
};

} // namespace pellmora::ui::test
