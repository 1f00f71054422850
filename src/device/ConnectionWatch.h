#pragma once

#include "link/Link.h"

#include <QString>

namespace pellmora::device {

// The message of a transfer whose connection broke: the port could not be
// read or written, or the interface stopped reporting its presence.
QString connectionLostText();
// The same for a transfer on `link`: when its port could not be opened at
// all, the reason why (the sentence the communication test gives) instead.
QString connectionLostText(const link::Link &link);

// Watches one EEPROM or clock transfer for a broken connection. Made when the
// transfer starts (the link powered), it notes whether the interface reports
// its presence; asked after the transfer, it reads the presence input again.
// The connection is lost when the port failed on any access of the device
// operation, or when the interface no longer reports its presence although
// it did when the transfer began or the transfer went through: nothing read
// from an interface that is gone may be used. An interface that was never
// there leaves a refused transfer to report itself.
class ConnectionWatch {
public:
    explicit ConnectionWatch(link::Link &link);
    bool lost(bool transferred);
    // What to tell when lost(): connectionLostText(link).
    QString lostText() const { return connectionLostText(link_); }

private:
    link::Link &link_;
    bool presentAtStart_;
};

} // namespace pellmora::device
