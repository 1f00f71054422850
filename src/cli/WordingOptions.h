#pragma once

// The wording options of the commands that word instructions:
//
//   --wording N           1 "On"/"Off", 2 "Zapnuto"/"Vypnuto", 3 "Svítí"/
//                         "Nesvítí" (the default), 4 the user's two words
//   --on WORD --off WORD  the user's words (at most 15 characters; they
//                         imply wording 4, and without them wording 4 words
//                         as the format dialog first offers)
//
// takeWordingOptions removes them from `args` and returns the wording, or
// nothing on bad usage.

#include "model/InstructionFormat.h"

#include <QStringList>

#include <optional>

namespace pellmora::cli {

inline constexpr const char *WordingSynopsis = "[--wording 1..4] [--on WORD --off WORD]";

std::optional<model::InstructionFormat> takeWordingOptions(QStringList &args);

} // namespace pellmora::cli
