#include "SimRig.h"

#include "device/DeviceClock.h"
#include "device/DeviceMemory.h"

#include <gtest/gtest.h>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::sim;
using namespace pellmora::device;
using namespace Qt::StringLiterals;
using pellmora::sim::Fault;
using pellmora::test::SimRig;

namespace {

// The clock transfers choose no speed of their own: they run at whatever the
// transfer before left the bus at, mostly the memory's, and the
// microcontroller's bus hardware serves them at any speed.
TEST(DeviceClock, WhatIsStoredIsReadBackAtEitherSpeed)
{
    struct Case {
        QTime stored;
        QTime read; // fractions of a second are not transferred
    };
    const QList<Case> cases = {
        {QTime(0, 0, 0), QTime(0, 0, 0)},
        {QTime(14, 5, 0), QTime(14, 5, 0)},
        {QTime(9, 30, 15, 800), QTime(9, 30, 15)},
        {QTime(23, 59, 59), QTime(23, 59, 59)},
    };
    for (const bool memorySpeed : {true, false}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(memorySpeed ? "at the memory's speed" : "at the microcontroller's speed");
            SimRig rig;
            rig.state.LoopCount = memorySpeed ? rig.state.EEPROM_Loop : rig.state.PICmicro_Loop;
            rig.powerSelectedPort(); // as the communication test leaves it
            const ClockOutcome stored = StoreDeviceTime(rig.link, c.stored);
            EXPECT_TRUE(stored.ok) << c.stored.toString().toStdString();
            EXPECT_EQ(rig.sim.deviceTime(), c.read);

            QTime shown(11, 11, 11);
            const ClockOutcome fetched = FetchDeviceTime(rig.link, shown);
            EXPECT_TRUE(fetched.ok);
            EXPECT_TRUE(fetched.notices.isEmpty());
            EXPECT_EQ(shown, c.read);
            // The bus is left idle.
            EXPECT_TRUE(rig.sim.lines().scl);
            EXPECT_TRUE(rig.sim.lines().sda);
        }
    }
}

TEST(DeviceClock, AFailedTransferKeepsTheShownTimeAndSaysWhy)
{
    const QString noAck = QString::fromUtf8("Vy jste, že vás podezřívám, určitě odpojili časový spínač, protože "
                                            "zase PICmikráček neposílá ACK");
    struct Case {
        const char *name;
        QList<Fault> faults;
        bool stores;
        QString fetchText; // empty: the read succeeds
    };
    const QList<Case> cases = {
        {"silent-pic", {Fault::SilentPic}, false, noAck},
        {"no-interface", {Fault::NoInterface}, false, noAck},
        {"sda-stuck-low", {Fault::SdaStuckLow}, false, busStuckText()},
        {"bad-clock-reply", {Fault::BadClockReply}, true, u"neplatný čas"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig(c.faults);
        rig.powerSelectedPort();
        const ClockOutcome stored = StoreDeviceTime(rig.link, QTime(8, 0));
        EXPECT_EQ(stored.ok, c.stores);
        if (!c.stores) {
            EXPECT_EQ(stored.notices, Notices{Notice::message(c.fetchText)});
        }

        QTime shown(11, 11, 11);
        const ClockOutcome fetched = FetchDeviceTime(rig.link, shown);
        EXPECT_FALSE(fetched.ok);
        EXPECT_EQ(shown, QTime(11, 11, 11));
        ASSERT_EQ(fetched.notices.size(), 1);
        EXPECT_TRUE(fetched.notices[0].text.contains(c.fetchText)) << fetched.notices[0].text.toStdString();
        // Released with a stop whatever came back: the master drives both lines high.
        EXPECT_EQ(rig.sim.PortIn(0x3FC) & 0x03, 0x03);
    }
}

// A port whose device could not be opened: both transfers give the reason
// the communication test gives, not a connection that broke.
TEST(DeviceClock, APortThatCouldNotBeOpenedSaysWhy)
{
    struct ClosedPort : port::PortIo {
        quint8 PortIn(quint16) override { return 0xFF; }
        void PortOut(quint16, quint8) override {}
        bool portFailed() const override { return true; }
        QString closedReason() const override { return u"Sériový port /dev/ttyUSB0 neexistuje"_s; }
    };
    ClosedPort port;
    link::LinkState state;
    state.LoopCount = 0;
    link::Link link(port, state);
    const Notices why{Notice::message(u"Sériový port /dev/ttyUSB0 neexistuje"_s)};
    QTime shown(11, 11, 11);
    EXPECT_EQ(FetchDeviceTime(link, shown).notices, why);
    EXPECT_EQ(StoreDeviceTime(link, QTime(8, 0)).notices, why);
}

TEST(DeviceClock, ReadsRightAfterPowerUpWithoutATest)
{
    // The microcontroller holds the data line until it sees a clock pulse.
    SimRig rig;
    rig.powerSelectedPort();
    rig.sim.setDeviceTime(QTime(6, 7, 8));
    QTime time;
    EXPECT_TRUE(ReadDeviceClock(rig.link, time));
    EXPECT_EQ(time, QTime(6, 7, 8));
}

} // namespace
