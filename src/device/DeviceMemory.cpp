#include "device/DeviceMemory.h"

#include "device/ComTest.h"
#include "device/ConnectionWatch.h"
#include "device/DeviceText.h"

#include <optional>

using namespace pellmora::model;
using namespace pellmora::link;

namespace pellmora::device {

namespace {

constexpr quint16 TransferCount = DeviceImage::ByteCount;
constexpr quint8 StartAddress = 0;
constexpr quint8 PageSize = 16;
constexpr quint8 EepromWriteSelect = 0xA0;

QString eepromNoAckText()
{
    return deviceText("EEPROMka neposílá ACK, nebo je na spojení nějaká chybička - nemožno komunikovati");
}

// A transfer whose connection broke: the port failed or the interface is gone.
void appendConnectionLost(Notices &notices, const ConnectionWatch &watch, const QString &info)
{
    notices << Notice::message(watch.lostText()) << Notice::info(info);
}

MemoryBytes bytesOf(const DeviceImage &image)
{
    MemoryBytes bytes{};
    for (int i = 0; i < DeviceImage::ByteCount; ++i)
        bytes[i] = image.byteAt(i);
    return bytes;
}

// Every EEPROM transfer of the main window runs at the EEPROM speed on the
// selected port, powered, from block 0.
void prepareSelectedPort(Link &link)
{
    LinkState &state = link.state();
    state.LoopCount = state.EEPROM_Loop;
    state.PortBase = Link::ComPortBase(state.SelectedPort);
    link.LinkPowerOn();
    link.SetEepromBlock(0);
}

} // namespace

void AwaitLastWriteCycle(Link &link)
{
    constexpr std::chrono::milliseconds MinimumWait{20};
    link.Transaction(
        [&] {
            link.PollForAcknowledge(EepromWriteSelect, Link::PollLimit, MinimumWait);
            link.I2cStop();
        },
        port::Expect::Busy);
}

namespace {

void appendVerificationResult(bool equal, Notices &notices)
{
    if (equal) {
        notices << Notice::message(deviceText("No výborně, musím se zase pochválit a obsluhu taky, žejo?"))
                << Notice::info(deviceText("*** VERIFICATION OK MY BABY *** "));
    } else {
        notices << Notice::message(deviceText(
                       "Nějak ti to hapruje člověče, nebo já už sem z toho uplně blbej,     > NO VERIFICATION OK <"))
                << Notice::info(deviceText("*** VERIFICATION ERROR *** "));
    }
}

// The verification with its result message, as the last step of a command.
void finishWithVerification(Link &link, DeviceMemoryState &memory, const DeviceImage &image,
                            const TransferObserver &observer, DeviceOutcome &outcome)
{
    const std::optional<bool> equal = VerifyDeviceMemory(link, memory, image, outcome.notices, observer.betweenSteps());
    outcome.deviceAnswered = equal.has_value();
    outcome.ok = equal.value_or(false);
    appendVerificationResult(outcome.ok, outcome.notices);
}

} // namespace

// Only a read that went through replaces VerifyBuffer.
std::optional<bool> VerifyDeviceMemory(Link &link, DeviceMemoryState &memory, const DeviceImage &image,
                                       Notices &notices, const TransferProgress &progress)
{
    link.LinkPowerOn();
    link.state().LoopCount = link.state().EEPROM_Loop;
    link.SetEepromBlock(0);

    ConnectionWatch watch(link);
    MemoryBytes read = memory.VerifyBuffer;
    const bool busFree = DataLineFree(link);
    const bool answered = busFree && link.EepromRead(read, TransferCount, StartAddress, progress);
    if (watch.lost(answered)) {
        appendConnectionLost(notices, watch, deviceText("*** NOT VALID I2C OPERATION ***"));
        return std::nullopt;
    }
    if (!answered) {
        notices << Notice::message(busFree ? deviceText("Nemožná komunikace se zařízením - neposílá ACK")
                                           : busStuckText())
                << Notice::info(deviceText("*** NOT VALID I2C OPERATION ***"));
        return std::nullopt;
    }
    memory.VerifyBuffer = read;
    memory.VerifiedImage = image;
    notices << Notice::info(deviceText("*** I2C OPERATION VALID ***"));
    return differingAddresses(memory.VerifyBuffer, image).isEmpty();
}

TransferProgress TransferObserver::betweenSteps() const
{
    if (!progress && !pump)
        return {};
    return [progress = progress, pump = pump](int done, int total) {
        if (progress)
            progress(done, total);
        if (pump)
            pump();
    };
}

DeviceOutcome refusedWhileBusy()
{
    return {{false, false}, {Notice::message(busyText())}};
}

QString busyText()
{
    return deviceText("Se zařízením právě probíhá jiná operace, počkejte, až skončí.");
}

QString programmingWarningInfo()
{
    return deviceText("*** Nevratná operace.. přepíše paměť *** ");
}

QString programmingQuestion()
{
    return deviceText("Opravdu chcete naprogramovat součástku ?");
}

QString programmingInfo()
{
    return deviceText("*** PROGRAMMING MEMORY *** ");
}

QString loadingInfo()
{
    return deviceText("*** LOADING DEVICE DATA *** ");
}

DeviceOutcome WriteDeviceMemory(Link &link, DeviceMemoryState &memory, const DeviceImage &image,
                                const TransferObserver &observer)
{
    return runExclusive(link, [&](DeviceOutcome &outcome) {
        prepareSelectedPort(link);
        ConnectionWatch watch(link);
        MemoryBytes buffer = bytesOf(image);
        const bool busFree = DataLineFree(link);
        const bool written =
            busFree && link.EepromWrite(buffer, TransferCount, StartAddress, PageSize, observer.betweenSteps());
        if (watch.lost(written)) {
            appendConnectionLost(outcome.notices, watch, deviceText("*** NOT VALID I2C OPERATION ***"));
            return;
        }
        if (!written) {
            outcome.notices << Notice::message(busFree ? eepromNoAckText() : busStuckText())
                            << Notice::info(deviceText("*** NOT VALID I2C OPERATION ***"));
            return;
        }
        AwaitLastWriteCycle(link);
        if (watch.lost(true)) {
            appendConnectionLost(outcome.notices, watch, deviceText("*** NOT VALID I2C OPERATION ***"));
            return;
        }
        if (observer.verifying)
            observer.verifying();
        finishWithVerification(link, memory, image, observer, outcome);
    });
}

DeviceOutcome ReadDeviceMemory(Link &link, DeviceImage &image, const TransferObserver &observer)
{
    return runExclusive(link, [&](DeviceOutcome &outcome) {
        prepareSelectedPort(link);
        ConnectionWatch watch(link);
        MemoryBytes buffer = bytesOf(image);
        const bool busFree = DataLineFree(link);
        const bool read = busFree && link.EepromRead(buffer, TransferCount, StartAddress, observer.betweenSteps());
        if (watch.lost(read)) {
            appendConnectionLost(outcome.notices, watch, deviceText("*** NOT VALID I2C OPERATION *** "));
            return; // nothing read is used: the image stays as it was
        }
        if (!read) {
            outcome.notices << Notice::message(busFree ? eepromNoAckText() : busStuckText())
                            << Notice::info(deviceText("*** NOT VALID I2C OPERATION *** "));
            return;
        }
        outcome.deviceAnswered = true;
        outcome.notices << Notice::info(deviceText("*** DATA LOADED WITH NO ERRORS *** "));
        for (int i = 0; i < DeviceImage::ByteCount; ++i)
            image.setByteAt(i, buffer[i]);
        outcome.ok = true;
    });
}

DeviceOutcome VerifyDevice(Link &link, DeviceMemoryState &memory, const DeviceImage &image,
                           const TransferObserver &observer)
{
    return runExclusive(link, [&](DeviceOutcome &outcome) {
        finishWithVerification(link, memory, image, observer, outcome);
    });
}

bool DataLineFree(Link &link)
{
    return link.RecoverBus();
}

QString busStuckText()
{
    return deviceText("Datová linka SDA zůstává v nule ani po devíti taktech hodin, sběrnici nelze uvolnit "
                      "(zkrat na lince nebo součástka, která ji nepustí). Zkontrolujte propojení a spusťte "
                      "Test Komunikace.");
}

QList<int> differingAddresses(const MemoryBytes &device, const DeviceImage &image)
{
    QList<int> addresses;
    for (int address = 0; address < DeviceImage::ByteCount; ++address) {
        if (device[address] != image.byteAt(address))
            addresses << address;
    }
    return addresses;
}

} // namespace pellmora::device
