#pragma once

#include "link/Link.h"
#include "model/Notice.h"
#include "model/Outcome.h"

#include <QString>

#include <functional>

namespace pellmora::device {

// How the communication test talks to its dialog while it runs.
struct ComTestObserver {
    std::function<void(const QString &)> label; // ProcessLabel text
    std::function<void(int)> progress;          // new progress position, 0..100
    std::function<void()> pump;                 // process pending window messages once
};

struct ComTestStatus {
    bool started = false;   // false: another device operation was running
    bool connected = false; // all four stages passed: ui::SetDeviceCommandsEnabled(true),
                            // result button caption "OK - Připojeno"
    int error = 0;          // 1..5 when a stage failed, else 0
    int exchanges = 0;      // echo exchanges run in the last stage
    int score = 0;          // the echo score when the last stage ran
};
using ComTestOutcome = model::Outcome<ComTestStatus>; // notices: the message box of a failed stage

inline constexpr auto ConnectedCaption = "OK - Připojeno";
inline constexpr auto NotConnectedCaption = "Nepřipojeno";

// The communication test: the port must be quiet, the interface must answer
// once powered, the microcontroller must signal its presence and release the
// data line, and it must echo random bytes. Runs with LoopCount :=
// PICmicro_Loop on the selected port; leaves the link powered from the second
// stage on. A port that fails during a stage ends the test there with that
// stage's error and connectionLostText() as its message. A port that is not
// open (its device could not be opened) ends it at once with Error 2, after
// the reason (link::Link::portClosedReason). An adapter that refuses the
// break (port::PortIo::supplyRefused), or whose interface stops reporting
// its presence within half a second of power-on while the break is set, ends
// it with Error 2 and the message that the adapter cannot hold the supply.
ComTestOutcome RunComTest(link::Link &link, const ComTestObserver &observer = {});

// After power-up the microcontroller holds the data line low (its
// communication acknowledge) until it sees one clock pulse. When the line is
// held low, gives that pulse, as the test's third stage does: the clock low
// for at least one bit slot of the microcontroller's speed. Returns whether
// the data line reads high within one more slot.
bool ReleasePresenceSignal(link::Link &link);

} // namespace pellmora::device
