#include "SimRig.h"

#include "device/ComTest.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pellmora;
using namespace pellmora::model;
using namespace pellmora::sim;
using namespace pellmora::device;
using namespace Qt::StringLiterals;
using pellmora::sim::Fault;
using pellmora::test::SimRig;

namespace {

struct Recorded {
    QStringList labels;
    QList<int> positions;
    int pumps = 0;
};

ComTestObserver recordingObserver(Recorded &recorded)
{
    ComTestObserver observer;
    observer.label = [&recorded](const QString &text) { recorded.labels << text; };
    observer.progress = [&recorded](int position) { recorded.positions << position; };
    observer.pump = [&recorded] { ++recorded.pumps; };
    return observer;
}

const QStringList allLabels = {
    u"Process: Checking Links"_s,
    u"Process: Checking Interface Connection"_s,
    u"Process: Catching Microcontroller's Communication ACK"_s,
    u"Process: Establish Communication"_s,
};

TEST(ComTest, AnsweringSwitchPassesEveryStage)
{
    SimRig rig;
    rig.state.LoopCount = 777;
    Recorded recorded;

    const ComTestOutcome outcome = RunComTest(rig.link, recordingObserver(recorded));

    EXPECT_TRUE(outcome.connected);
    EXPECT_EQ(outcome.error, 0);
    EXPECT_TRUE(outcome.notices.isEmpty());
    // Every echo is right: 121, 142, 163, 184, 205.
    EXPECT_EQ(outcome.exchanges, 5);
    EXPECT_EQ(outcome.score, 205);
    EXPECT_EQ(recorded.labels, allLabels);
    EXPECT_EQ(recorded.positions.first(), 0);
    EXPECT_EQ(recorded.positions.last(), 5 + 21 + 10 + 5 * 3);
    EXPECT_TRUE(std::is_sorted(recorded.positions.begin(), recorded.positions.end()));
    EXPECT_GT(recorded.pumps, 2500); // the window stays painted through both long stages

    // The test leaves the selected port powered at the microcontroller speed.
    EXPECT_EQ(rig.state.LoopCount, rig.state.PICmicro_Loop);
    EXPECT_EQ(rig.state.PortBase, 0x3F8);
    EXPECT_TRUE(rig.sim.lines().supply);
    EXPECT_TRUE(rig.sim.lines().scl);
    EXPECT_TRUE(rig.sim.lines().sda);
}

const char *const SupplyNotHeld = "Převodník neumí držet napájení (break) rozhraní, rozhraní tak zůstane bez "
                                  "napájení. Použijte jiný převodník, který break drží trvale [Error 2]";

TEST(ComTest, EachFailingStageEndsWithItsOwnMessage)
{
    struct Case {
        const char *name;
        QList<Fault> faults;
        quint8 simPort;
        int error;
        const char *text;
        int labels; // stages reached
    };
    const QList<Case> cases = {
        {"noisy-port", {Fault::NoisyPort}, 0, 1,
         "Stále dochází ke změnám na vstupech portu, je zde asi připojeno nějaké zařízení ! -dalo by se "
         "očekávat, že ? [Error 1]",
         1},
        {"no-interface", {Fault::NoInterface}, 0, 2,
         "Nezdá se mi propojení se zařízením, zkontolujte ho, nebo přepněte na jiný port [Error 2]", 2},
        {"switch on another port", {}, 1, 2,
         "Nezdá se mi propojení se zařízením, zkontolujte ho, nebo přepněte na jiný port [Error 2]", 2},
        {"adapter that cannot send a break", {Fault::BreakRefused}, 0, 2, SupplyNotHeld, 2},
        {"adapter whose break ends after 196 ms", {Fault::ShortBreak}, 0, 2, SupplyNotHeld, 2},
        {"silent-pic", {Fault::SilentPic}, 0, 3, "Nechce o sobě dát potvrzení o naslouchání I2C, lenoch ! [Error 3]",
         3},
        {"sda-stuck-low", {Fault::SdaStuckLow}, 0, 4,
         "Odeslal sice ACK, ale nějak sedí na lince SDA (furt jí drží v nule) [Error 4]", 3},
        {"wrong-echo", {Fault::WrongEcho}, 0, 5,
         "Nějak se ten procesor vzpouzí, nebo je špatně připojené zařízení, nechce odpovídat na moje posílaný "
         "data... [Error 5]",
         4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig(c.faults, c.simPort);
        Recorded recorded;
        const ComTestOutcome outcome = RunComTest(rig.link, recordingObserver(recorded));
        EXPECT_TRUE(outcome.started);
        EXPECT_FALSE(outcome.connected);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(outcome.notices, Notices{Notice::message(QString::fromUtf8(c.text))});
        EXPECT_EQ(recorded.labels, allLabels.mid(0, c.labels));
        for (int position : recorded.positions)
            EXPECT_LE(position, 100);
        if (c.error == 1) {
            EXPECT_FALSE(rig.sim.lines().supply); // a busy port is found before the interface is powered
        }
    }
}

// The clock pulse that ends the microcontroller's presence signal lasts one
// bit slot of the speed set, which its firmware must see (a firmware that
// misses a shorter pulse is shown by the simulation's own tests). The echo
// runs at the speed the microcontroller's loop count gives the bus: the
// firmware takes it at its own speed or slower, and a faster bus gets
// answers out of step (use a lower speed).
TEST(ComTest, TheSwitchAnswersAtItsOwnSpeedOrSlowerOnly)
{
    using pellmora::test::PacedSwitchClock;
    struct Run {
        quint16 set; // PicBaudRate
        quint16 bus; // the speed the microcontroller's loop count gives the bus
        int error;
    };
    struct Case {
        quint16 firmware;
        QList<Run> runs; // one after the other on the same switch
    };
    const Case cases[] = {
        {60, {{60, 60, 0}, {30, 30, 0}, {60, 120, 5}}},
        {20, {{20, 20, 0}, {20, 1000, 5}}}, // 1000: the memory's speed
        {100, {{100, 100, 0}}},
    };
    for (const Case &c : cases) {
        SimRig rig({}, 0, c.firmware);
        for (const Run &r : c.runs) {
            SCOPED_TRACE(testing::Message() << "firmware " << c.firmware << " baud, set " << r.set << ", bus at "
                                            << r.bus);
            rig.state.PicBaudRate = r.set;
            rig.pace();
            rig.state.PICmicro_Loop = PacedSwitchClock::loopCountFor(r.bus);
            const ComTestOutcome outcome = RunComTest(rig.link);
            EXPECT_EQ(outcome.error, r.error);
            EXPECT_EQ(outcome.connected, r.error == 0);
        }
    }
}

// A port whose device could not be opened: nothing is read or written, and
// the test ends as when no interface answers, after the reason.
TEST(ComTest, APortThatIsNotOpenEndsWithErrorTwoAfterItsReason)
{
    struct ClosedPort : port::PortIo {
        int accesses = 0;
        quint8 PortIn(quint16) override
        {
            ++accesses;
            return 0xFF;
        }
        void PortOut(quint16, quint8) override { ++accesses; }
        bool portFailed() const override { return true; }
        QString closedReason() const override { return u"Sériový port /dev/ttyUSB0 neexistuje"_s; }
    } closed;
    pellmora::link::LinkState state;
    pellmora::link::Link closedLink(closed, state);
    Recorded recorded;

    const ComTestOutcome outcome = RunComTest(closedLink, recordingObserver(recorded));

    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.connected);
    EXPECT_EQ(outcome.error, 2);
    EXPECT_EQ(outcome.notices,
              (Notices{Notice::message(u"Sériový port /dev/ttyUSB0 neexistuje"_s),
                       Notice::message(u"Nezdá se mi propojení se zařízením, zkontolujte ho, nebo přepněte na jiný "
                                       "port [Error 2]"_s)}));
    EXPECT_EQ(recorded.labels, allLabels.mid(0, 1));
    EXPECT_EQ(closed.accesses, 0);
}

TEST(ComTest, WrongEchoesRunAllThirtyOneExchangesAndTheBarStopsAtItsMaximum)
{
    SimRig rig({Fault::WrongEcho});
    Recorded recorded;
    const ComTestOutcome outcome = RunComTest(rig.link, recordingObserver(recorded));
    EXPECT_EQ(outcome.exchanges, 31);
    EXPECT_EQ(outcome.score, 100 - 31 * 15);
    EXPECT_EQ(recorded.positions.last(), 100); // 5 + 21 + 10 + 93 would overflow the bar
}

TEST(ComTest, AfterAPassTheEepromHoldsNothingOfTheEcho)
{
    SimRig rig;
    const QByteArray before = rig.sim.memory();
    ASSERT_TRUE(RunComTest(rig.link).connected);
    EXPECT_EQ(rig.sim.memory(), before);
}

} // namespace
