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

// Reads "about.abg" from `folder` (code page 1250) each time the about window
// opens.
AboutText ReadAboutText(const QString &folder);

} // namespace pellmora::storage
