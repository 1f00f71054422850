#pragma once

#include "link/Link.h"
#include "model/Notice.h"
#include "model/Outcome.h"

#include <QString>
#include <QTime>

namespace pellmora::device {

// The microcontroller's clock on the bus: select 0x60 then hours, minutes,
// seconds to set it; select 0x61 then the same three bytes read back. Both use
// the link as they find it (port, power and speed are not touched) and always
// release the bus with a stop condition. A transfer whose connection broke
// (the port failed, the interface stopped reporting its presence) fails and
// nothing it read is used.

// true when the microcontroller answered with a valid time of day. A reply
// with hours over 23 or minutes or seconds over 59 is a failed read: `time`
// keeps its value and `problem` (when given) says what came back, or that
// the connection broke.
bool ReadDeviceClock(link::Link &link, QTime &time, QString *problem = nullptr);

// true when every byte was acknowledged. Milliseconds are dropped.
bool WriteDeviceClock(link::Link &link, QTime time);

// The message of a clock transfer the microcontroller did not acknowledge.
QString clockNoAckText();

struct ClockStatus {
    bool started = false;
    bool ok = false;
    bool connectionLost = false; // the notice is connectionLostText()
};
using ClockOutcome = model::Outcome<ClockStatus>;

// The clock dialog's two transfers, guarded against other device operations:
// FetchDeviceTime replaces `shown` only on success.
ClockOutcome FetchDeviceTime(link::Link &link, QTime &shown);
ClockOutcome StoreDeviceTime(link::Link &link, QTime shown);

} // namespace pellmora::device
