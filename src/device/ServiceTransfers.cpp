#include "device/ServiceTransfers.h"

#include "device/ConnectionWatch.h"
#include "device/DeviceText.h"
#include "device/HexText.h"

using namespace pellmora::model;
using namespace pellmora::link;

namespace pellmora::device {

QString serviceNoAckText()
{
    return deviceText("Neposílá ACK - Not Valid I2C Operation");
}

namespace {

// Whether a service transfer went through; when not, its message: the
// connection broke, or the memory did not answer.
bool serviceTransferWent(ConnectionWatch &watch, bool busFree, bool answered, DeviceOutcome &outcome)
{
    if (watch.lost(answered)) {
        outcome.notices << Notice::message(watch.lostText());
        return false;
    }
    if (!answered)
        outcome.notices << Notice::message(busFree ? serviceNoAckText() : busStuckText());
    return answered;
}

} // namespace

bool PowerServicePort(Link &link)
{
    LinkSession session(link);
    if (!session.acquired())
        return false;
    link.state().PortBase = ServicePortBase;
    link.LinkPowerOn();
    return true;
}

bool ReturnSelectedPort(Link &link)
{
    LinkSession session(link);
    if (!session.acquired())
        return false;
    link.state().PortBase = Link::ComPortBase(link.state().SelectedPort);
    return true;
}

DeviceOutcome ServiceLoad(Link &link, GridBuffer &grid, const TransferObserver &observer)
{
    return runExclusive(link, [&](DeviceOutcome &outcome) {
        link.LinkPowerOn();
        link.SetEepromBlock(0);
        ConnectionWatch watch(link);
        GridBuffer read = grid; // a failed read leaves the grid as it was
        const bool busFree = DataLineFree(link);
        const bool answered = busFree && link.EepromRead(read, DeviceImage::ByteCount, 0, observer.betweenSteps());
        if (!serviceTransferWent(watch, busFree, answered, outcome))
            return;
        grid = read;
        outcome.ok = outcome.deviceAnswered = true;
    });
}

bool GridFromCells(const QStringList &cells, GridBuffer &grid, QString *problem)
{
    if (cells.size() != DeviceImage::ByteCount) {
        if (problem)
            *problem = deviceText("Tabulka má %1 buněk místo 512, do zařízení se nic nezapsalo.").arg(cells.size());
        return false;
    }
    GridBuffer converted{};
    for (int address = 0; address < DeviceImage::ByteCount; ++address) {
        const quint32 value = HexTextToNumber(cells[address]);
        if (value > 0xFF) {
            if (problem) {
                *problem = deviceText("Hodnota '%1' na adrese %2H je větší než FF a do jednoho bajtu se nevejde, "
                                      "do zařízení se nic nezapsalo.")
                               .arg(cells[address], NumberToHexText(quint32(address), 3));
            }
            return false;
        }
        converted[address] = quint8(value);
    }
    grid = converted;
    return true;
}

DeviceOutcome ServiceProgram(Link &link, GridBuffer &grid, const QStringList &cells, const TransferObserver &observer)
{
    return runExclusive(link, [&](DeviceOutcome &outcome) {
        QString problem;
        if (!GridFromCells(cells, grid, &problem)) {
            outcome.notices << Notice::message(problem);
            return;
        }
        link.LinkPowerOn();
        link.SetEepromBlock(0);
        ConnectionWatch watch(link);
        const bool busFree = DataLineFree(link);
        const bool written =
            busFree && link.EepromWrite(grid, DeviceImage::ByteCount, 0, 16, observer.betweenSteps());
        if (!serviceTransferWent(watch, busFree, written, outcome))
            return;
        // Done only once the memory has programmed the last page: whatever
        // the user does next (a load, closing the program) finds it ready.
        AwaitLastWriteCycle(link);
        if (!serviceTransferWent(watch, true, true, outcome))
            return;
        outcome.ok = outcome.deviceAnswered = true;
    });
}

} // namespace pellmora::device
