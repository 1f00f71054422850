#include "device/ComTest.h"

#include "device/ConnectionWatch.h"
#include "device/DeviceMemory.h"
#include "device/DeviceText.h"

#include "link/BusyWait.h"
#include "port/UartRegisters.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <optional>

using namespace pellmora::model;
using namespace pellmora::port;
using namespace pellmora::link;

namespace pellmora::device {

namespace {

constexpr quint16 ModemControl = 4;
constexpr quint16 ModemStatus = 6;
constexpr quint8 CtsMask = 0x10;

constexpr int QuietIterations = 500;     // stage 1 runs while count <= 500
constexpr int PresenceSamples = 2000;    // stage 2 samples while count <= 2000
constexpr int PresenceSignalLimit = 30;  // stage 3: the data line must fall within 29 samples
constexpr int ReleasePulsePauses = 21;
constexpr int ExchangeLimit = 30;        // stage 4 ends after at most 31 exchanges
constexpr int StartScore = 100;
constexpr int PassScore = 200;
constexpr int ProgressMaximum = 100;

constexpr auto NoInterfaceText =
    "Nezdá se mi propojení se zařízením, zkontolujte ho, nebo přepněte na jiný port [Error 2]";
// Said after it over a USB chip that clocks the lines itself (an FTDI cable):
// only one with an RS-232 driver puts a positive voltage on TXD.
constexpr auto TtlCableText = "Kabel FTDI s úrovněmi TTL (bez převodníku RS-232 a konektoru D-sub 9) ani samotný "
                              "modul FT232H rozhraní nenapájí.";

// A fixed pause, not calibrated: 2001 iterations, and never shorter than
// 10 µs, which the microcontroller needs to see a clock level (a fast machine
// runs the iterations in a fraction of that).
void ShortPause()
{
    constexpr quint32 PauseIterations = 2001;
    constexpr std::chrono::microseconds PauseFloor{10};
    SpinAtLeast(PauseIterations, PauseFloor);
}

void ShortPauses(int times)
{
    for (int i = 0; i < times; ++i)
        ShortPause();
}

// One clock low-high pulse, long enough for the microcontroller to see it:
// its firmware polls the clock, so the low lasts at least one of its bit
// slots on the monotonic clock, however fast the pauses run. Returns whether
// the data line is let go within one more slot (the firmware's next look).
bool PresenceReleasePulse(Link &link)
{
    link.SclLow();
    const auto low = std::chrono::steady_clock::now(); // the clock is low from here on at the latest
    ShortPauses(ReleasePulsePauses);
    const auto passed = std::chrono::steady_clock::now() - low;
    if (passed < link.PicBitSlot())
        SpinAtLeast(0, link.PicBitSlot() - passed);
    link.SclHigh();
    return link.SdaRisesWithin(link.PicBitSlot());
}

// An adapter that cannot send a break, or fakes one that ends on its own,
// powers the interface for a moment at most: the presence it reports must
// last this long after power-on while the break is set.
constexpr std::chrono::milliseconds SupplyHoldWatch{500};

constexpr auto SupplyNotHeldText =
    "Převodník neumí držet napájení (break) rozhraní, rozhraní tak zůstane bez napájení. Použijte jiný převodník, "
    "který break drží trvale [Error 2]";

// One run of the test: the dialog observer, the progress position and the outcome.
class ComTestRun {
public:
    ComTestRun(Link &link, const ComTestObserver &observer) : link_(link), io_(link.io()), observer_(observer) {}

    ComTestOutcome run();

private:
    bool portIsQuiet();
    bool interfaceAnswers();
    bool supplyHeld(bool present);
    bool microcontrollerSignalsPresence();
    bool echoExchange();
    bool portFailedIn(int error);
    bool portIsClosed();

    void label(const char *text)
    {
        if (observer_.label)
            observer_.label(deviceText(text));
    }
    void pump()
    {
        if (observer_.pump)
            observer_.pump();
    }
    void advance(int steps)
    {
        position_ = std::min(position_ + steps, ProgressMaximum);
        if (observer_.progress)
            observer_.progress(position_);
    }
    void setPosition(int position)
    {
        position_ = position;
        if (observer_.progress)
            observer_.progress(position_);
    }
    void fail(int error, const char *text)
    {
        outcome_.error = error;
        outcome_.notices << Notice::message(deviceText(text));
    }
    quint16 selectedBase() const { return Link::ComPortBase(link_.state().SelectedPort); }

    Link &link_;
    PortIo &io_;
    const ComTestObserver &observer_;
    int position_ = 0;
    ComTestOutcome outcome_;
    bool presenceSeen_ = false; // some sample of the second stage showed the interface
};

ComTestOutcome ComTestRun::run()
{
    outcome_.started = true;
    link_.state().LoopCount = link_.state().PICmicro_Loop;
    label("Process: Checking Links");
    pump();
    setPosition(0);
    if (portIsClosed())
        return outcome_;

    const bool quiet = portIsQuiet();
    if (portFailedIn(1))
        return outcome_;
    if (!quiet) {
        fail(1, "Stále dochází ke změnám na vstupech portu, je zde asi připojeno nějaké zařízení ! "
                "-dalo by se očekávat, že ? [Error 1]");
        ShortPause();
        pump();
        return outcome_;
    }
    const bool present = interfaceAnswers();
    if (portFailedIn(2))
        return outcome_;
    if (!supplyHeld(present)) {
        fail(2, SupplyNotHeldText);
        pump();
        return outcome_;
    }
    if (!present) {
        fail(2, NoInterfaceText);
        if (io_.sampledLines())
            outcome_.notices.last().text += u' ' + deviceText(TtlCableText);
        pump();
        return outcome_;
    }
    const bool signalled = microcontrollerSignalsPresence();
    if (portFailedIn(3) || !signalled)
        return outcome_; // fail() has said which of the two checks it was
    const bool echoed = echoExchange();
    if (portFailedIn(5))
        return outcome_;
    if (!echoed) {
        fail(5, "Nějak se ten procesor vzpouzí, nebo je špatně připojené zařízení, nechce odpovídat na "
                "moje posílaný data... [Error 5]");
        pump();
        return outcome_;
    }
    outcome_.connected = true;
    return outcome_;
}

// A port that failed during a stage read nothing that stage could judge: the
// test ends there with the stage's error (the one a failing check of the
// stage has already set, else `error`) and the message of a broken
// connection instead of the stage's own.
bool ComTestRun::portFailedIn(int error)
{
    if (!link_.portFailed())
        return false;
    if (outcome_.error == 0)
        outcome_.error = error;
    outcome_.notices = {Notice::message(connectionLostText())};
    pump();
    return true;
}

// A port whose device could not be opened (the test's session has just
// tried again) has no interface behind it: the test ends as when the
// interface does not answer, after the reason why the port is not open.
bool ComTestRun::portIsClosed()
{
    const QString reason = link_.portClosedReason();
    if (reason.isEmpty())
        return false;
    outcome_.notices << Notice::message(reason);
    fail(2, NoInterfaceText);
    pump();
    return true;
}

// Stage 1: nothing else may drive the port's inputs, and nothing may change
// its outputs, during 501 iterations of two modem-status reads.
bool ComTestRun::portIsQuiet()
{
    const quint16 base = selectedBase();
    int count = 0;
    io_.PortIn(base + ModemStatus);
    quint8 mcrB = io_.PortIn(base + ModemControl);
    ShortPause();
    pump();
    quint8 msrA = 0, msrB = 0, mcrA = 0;
    do {
        msrA = io_.PortIn(base + ModemStatus);
        mcrA = mcrB;
        ShortPause();
        msrB = io_.PortIn(base + ModemStatus);
        mcrB = io_.PortIn(base + ModemControl);
        ShortPause();
        ++count;
        if (count % 100 == 0)
            advance(1);
        pump();
    } while (count <= QuietIterations && msrB == msrA && mcrB == mcrA);
    return msrB == msrA && mcrB == mcrA;
}

// Stage 2: once powered the interface reports its presence on CTS. Only the
// last of 2001 samples decides.
bool ComTestRun::interfaceAnswers()
{
    LinkState &state = link_.state();
    state.PortBase = selectedBase();
    link_.LinkPowerOn();
    ShortPauses(2);
    label("Process: Checking Interface Connection");
    pump();
    ShortPause();

    bool cts = false;
    for (int count = 0; count <= PresenceSamples; ++count) {
        cts = (io_.PortIn(state.PortBase + ModemStatus) & CtsMask) != 0;
        presenceSeen_ = presenceSeen_ || cts;
        ShortPauses(2);
        if (count % 100 == 0)
            advance(1);
        pump();
    }
    return cts;
}

// Whether the adapter holds the interface's supply: it has not refused the
// break, and an interface that answered keeps reporting its presence, with
// the break still set, until SupplyHoldWatch after the link switched the
// supply on (a supply switched on longer ago has held that long). An
// interface that never answered is left to the message of a missing one; one
// that answered after power-on and no longer does, the break still set, has
// lost a supply the adapter did not hold.
bool ComTestRun::supplyHeld(bool present)
{
    if (io_.supplyRefused())
        return false;
    const std::optional<std::chrono::steady_clock::time_point> poweredAt = link_.poweredAt();
    const quint16 base = link_.state().PortBase;
    const auto breakSet = [&] {
        return (io_.PortIn(base + uart::LineControl) & Link::SupplyBits) == Link::SupplyBits;
    };
    if (!present)
        return !(presenceSeen_ && breakSet());
    if (!poweredAt)
        return true;
    while (std::chrono::steady_clock::now() - *poweredAt < SupplyHoldWatch) {
        if (breakSet() && !link_.InterfacePresent())
            return false;
        ShortPauses(2);
        pump();
    }
    return true;
}

// Stage 3: the microcontroller holds the data line low as its communication
// acknowledge and lets it go after one clock pulse.
bool ComTestRun::microcontrollerSignalsPresence()
{
    label("Process: Catching Microcontroller's Communication ACK");
    pump();

    int count = 0;
    do {
        ++count;
        ShortPause();
    } while (link_.SdaIsHigh() && count <= PresenceSignalLimit);
    advance(10);
    if (count >= PresenceSignalLimit) {
        fail(3, "Nechce o sobě dát potvrzení o naslouchání I2C, lenoch ! [Error 3]");
        pump();
        return false;
    }

    if (!PresenceReleasePulse(link_)) {
        fail(4, "Odeslal sice ACK, ale nějak sedí na lince SDA (furt jí drží v nule) [Error 4]");
        pump();
        return false;
    }
    return true;
}

// Stage 4: the microcontroller acknowledges each random byte and answers its
// bitwise complement. A good echo scores 21, a wrong one costs 15, a refused
// byte 5; the link passes when the score exceeds 200 within 30 exchanges.
bool ComTestRun::echoExchange()
{
    int count = 0;
    label("Process: Establish Communication");
    pump();
    int score = StartScore;
    QRandomGenerator random{quint32(QDateTime::currentMSecsSinceEpoch())};

    link_.I2cStart();
    do {
        const quint8 sent = quint8(random.bounded(255));
        if (link_.I2cSendByte(sent) == Ack::Refused) {
            score -= 5;
        } else {
            const quint8 reply = link_.I2cReadByte();
            score += quint8(~reply) == sent ? 21 : -15;
        }
        ++count;
        advance(3);
    } while (count <= ExchangeLimit && score <= PassScore);
    link_.I2cStop();
    link_.LinkPowerOn();

    outcome_.exchanges = count;
    outcome_.score = score;
    return count <= ExchangeLimit && score > PassScore;
}

} // namespace

ComTestOutcome RunComTest(Link &link, const ComTestObserver &observer)
{
    LinkSession session(link);
    if (!session.acquired()) {
        ComTestOutcome refused;
        refused.notices << Notice::message(busyText());
        return refused;
    }
    return ComTestRun(link, observer).run();
}

bool ReleasePresenceSignal(Link &link)
{
    if (!link.SdaIsHigh())
        return PresenceReleasePulse(link);
    return true;
}

} // namespace pellmora::device
