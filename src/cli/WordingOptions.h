#pragma once

// The wording options of the commands that word instructions:
//
//   --wording N           1 "On"/"Off", 2 "Zapnuto"/"Vypnuto", 3 "Svítí"/
//                         "Nesvítí" (the default), 4 the user's two words
//   --on WORD --off WORD  the user's words (at most 15 characters; they
//                         imply wording 4, and without them wording 4 words
//                         as the format dialog first offers)

#include "model/InstructionFormat.h"

#include <QCommandLineParser>
#include <QString>

#include <optional>

namespace pellmora::cli {

inline constexpr const char *WordingSynopsis = "[--wording 1..4] [--on WORD --off WORD]";

void addWordingOptions(QCommandLineParser &parser);

// The wording the parsed options ask for; nullopt with a text naming the
// wrong option ("--wording must be 1..4") in `error`.
std::optional<model::InstructionFormat> wordingFrom(const QCommandLineParser &parser, QString *error);

} // namespace pellmora::cli
