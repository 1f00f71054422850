#pragma once

#include <QList>
#include <QString>

namespace pellmora::connection {

// A serial device the port dialog offers.
struct SerialDevice {
    QString path; // /dev/ttyUSB0
    QString byId; // its stable name under /dev/serial/by-id, empty when udev made none

    // The path to remember: the stable name where there is one, since the
    // number of a USB adapter changes with the order it was plugged in.
    QString preferredPath() const { return byId.isEmpty() ? path : byId; }
    bool operator==(const SerialDevice &) const = default;
};

// The machine's serial devices under the folder `root` ("/" on a real
// machine; tests hand in a folder laid out like one): /dev/ttyS* with a UART
// behind them (sysfs reports a port type other than 0, or nothing), then
// /dev/ttyUSB* and /dev/ttyACM*, each group by number, each device with its
// /dev/serial/by-id name where udev made one. Paths are given as on the
// machine, without `root`.
QList<SerialDevice> listSerialDevices(const QString &root = QStringLiteral("/"));

} // namespace pellmora::connection
