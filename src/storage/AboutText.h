#pragma once

#include "model/Notice.h"

#include <QString>

namespace pellmora::storage {

inline constexpr char AboutFileName[] = "about.abg";

struct AboutText {
    bool found = false;
    QString text;     // the first two lines joined, for the info bar
    model::Notices notices;
};

// Reads "about.abg" from the current directory (code page 1250) each time the
// about window opens.
AboutText ReadAboutText();

} // namespace pellmora::storage
