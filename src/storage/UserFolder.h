#pragma once

#include <QString>
#include <QStringList>

namespace pellmora::storage {

// The folder the installed program works in, so that the configuration, the
// database and the about text live in one known place:
// $XDG_DATA_HOME/pellmora, ~/.local/share/pellmora unless XDG_DATA_HOME
// says otherwise.
QString userFolderPath();

// The about texts installed with the program (share/pellmora/about.abg in
// the data folders), first found first.
QStringList installedAboutTexts();

// Makes `folder` the current directory, creating it (and its parents) when
// missing. A folder without an about text gets a copy of the first of
// `aboutSources` that can be read; without one (or when the copy cannot be
// written) it stays without, as a folder of its own user may. Returns false
// with a text naming the folder in `error` when it cannot be created or
// entered; the current directory then stays as it was.
bool EnterUserFolder(const QString &folder, const QStringList &aboutSources, QString *error);

} // namespace pellmora::storage
