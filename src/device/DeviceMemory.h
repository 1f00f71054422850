#pragma once

#include "link/Link.h"
#include "model/DeviceImage.h"
#include "model/Notice.h"
#include "model/Outcome.h"

#include <QtGlobal>

#include <array>
#include <functional>
#include <optional>

namespace pellmora::device {

using MemoryBytes = std::array<quint8, model::DeviceImage::ByteCount>;

// Device state kept for the whole run beside the link: what the last
// verification read from the EEPROM (shown by the memory listing). All zero at
// start; replaced only by a verification whose read succeeded, which also
// keeps the program it compared the memory with (so that the listing can say
// what the differences mean, whatever the editor holds by then).
struct DeviceMemoryState {
    MemoryBytes VerifyBuffer{};
    std::optional<model::DeviceImage> VerifiedImage; // none before the first such verification
};

// What a window hands to a transfer. Every member may be empty.
struct TransferObserver {
    link::TransferProgress progress;          // bytes done / total, between pages and every 16 bytes read
    std::function<void()> pump;         // process pending window messages once, after each progress step
    std::function<void()> verifying;    // programming went through; its verification starts now

    // What the link calls between pages and every 16 bytes read: the progress
    // report, then the pump. Empty when both are.
    link::TransferProgress betweenSteps() const;
};

// The outcome of one device command and the texts to show, in order.
struct DeviceStatus {
    bool started = false;        // false: another device operation was running, nothing was touched
    bool ok = false;             // the command did what it was asked
    bool deviceAnswered = false; // the EEPROM acknowledged the transfer (a verification may still differ)
};
using DeviceOutcome = model::Outcome<DeviceStatus>;

// The text shown when a device command is refused because another one runs.
QString busyText();
DeviceOutcome refusedWhileBusy(); // not started, with busyText()

// Runs `command(DeviceOutcome &)` as the one device operation on the link.
// While another operation runs it is refused with busyText() and touches
// nothing.
template <typename Command>
DeviceOutcome runExclusive(link::Link &link, Command &&command)
{
    link::LinkSession session(link);
    if (!session.acquired())
        return refusedWhileBusy();
    DeviceOutcome outcome;
    outcome.started = true;
    command(outcome);
    return outcome;
}

// What the window says before a transfer starts, in this order:
// programming: info programmingWarningInfo(), question programmingQuestion()
// (Yes/Cancel), info programmingInfo(); loading: info loadingInfo().
QString programmingWarningInfo();
QString programmingQuestion();
QString programmingInfo();
QString loadingInfo();

// Every transfer below fails, with connectionLostText() and nothing read
// used, when the port fails or the interface stops reporting its presence
// during it (ConnectionWatch).

// Programming: writes the 512 bytes of `image` from address 0 in 16-byte pages
// (LoopCount := EEPROM_Loop, PortBase from SelectedPort, power on, block 0)
// and, when the write went through, waits (by acknowledge polling) until the
// memory has finished writing its last page and verifies at once. `ok` is true only
// when the write succeeded and the verification found the same bytes.
// The caller runs PackHeader first and asks the user beforehand.
DeviceOutcome WriteDeviceMemory(link::Link &link, DeviceMemoryState &memory, const model::DeviceImage &image,
                                const TransferObserver &observer = {});

// Loading: reads the whole EEPROM into `image`. A failed read leaves `image`
// untouched. The caller runs ReloadProgram afterwards, failed read or not
// (but not when `started` is false).
DeviceOutcome ReadDeviceMemory(link::Link &link, model::DeviceImage &image, const TransferObserver &observer = {});

// Verification: reads the EEPROM into VerifyBuffer (with PortBase as found)
// and compares it with `image`, with the result message. `ok` = equal.
DeviceOutcome VerifyDevice(link::Link &link, DeviceMemoryState &memory, const model::DeviceImage &image,
                           const TransferObserver &observer = {});

// The verification step inside a running device operation: powers the link,
// takes the EEPROM speed and reads the whole EEPROM into VerifyBuffer (with
// PortBase as found), then compares it with `image`. true = equal (the
// verification's 1), false = different, nullopt = the read was refused (also
// a 0 for the verification); the read's notices are appended to `notices`.
std::optional<bool> VerifyDeviceMemory(link::Link &link, DeviceMemoryState &memory, const model::DeviceImage &image,
                                       model::Notices &notices, const link::TransferProgress &progress = {});

// Before a transfer the bus must be free: a memory left in the middle of a
// read, or the microcontroller's presence signal after power-up, holds the
// data line low. The bus recovery (Link::RecoverBus) clocks them free and
// ends with a start and a stop. A line still low after that (a shorted wire,
// a device that does not let go) would make every acknowledge read as given
// and every data byte as 0x00, so the transfer is refused instead, with
// busStuckText(): false.
bool DataLineFree(link::Link &link);
QString busStuckText();

// When a write returns, the memory is still busy with the internal write
// cycle of the last page and refuses its select byte until the cycle ends, so
// a transfer started at once would find it silent. Polls it the way the write
// polls between pages, then a stop that starts no write; a memory that stays
// silent is given at least PollLimit polls and 20 ms.
void AwaitLastWriteCycle(link::Link &link);

// Addresses at which `device` differs from `image`, in ascending order.
QList<int> differingAddresses(const MemoryBytes &device, const model::DeviceImage &image);

} // namespace pellmora::device
