#pragma once

#include "model/Notice.h"

namespace pellmora::model {

// What an operation came to: its status, the few fields the caller decides
// on (outcome.ok, outcome.started ...), and the texts the window shows about
// it, in order.
template <typename Status>
struct Outcome : Status {
    Notices notices;
};

} // namespace pellmora::model
