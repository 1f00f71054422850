#pragma once

// The configuration file "plmprg.cfg": the settings that outlive a run, read
// once at start-up and rewritten once at close, keeping the user's comments.

#include "storage/FileText.h"

#include "model/Notice.h"
#include "model/Outcome.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace pellmora::storage {

inline constexpr char ConfigurationFileName[] = "plmprg.cfg";

// The longest configuration file that is read; a longer one is refused like a
// file without its header.
inline constexpr qint64 LargestConfigurationFile = 64 * 1024;

// The settings the file carries, with their values when no file sets them.
struct ConfigurationSettings {
    QString DeviceDirectory;
    QString SystemDirectory;
    QString CurrentFileName;
    quint8 SelectedPort = 0;        // 0..3 = COM1..COM4
    quint8 FormatCode = 0;
    QString UserOnWord;             // at most 15 characters
    QString UserOffWord;            // at most 15 characters
    quint16 EepromBaudRate = 1000;
    quint16 PicBaudRate = 60;

    bool operator==(const ConfigurationSettings &) const = default;
};

// The contents of a configuration file, at most one byte more than the
// largest one read; nothing when the file cannot be opened.
std::optional<QByteArray> ReadConfigurationBytes(const QString &path);

// Applies the lines of a configuration file to `settings` and returns the
// messages for the lines it could not use, in order.
model::Notices ParseConfiguration(const QByteArray &contents, ConfigurationSettings &settings);

// The configuration file of `folder`.
QString ConfigurationFilePath(const QString &folder);

// Reads "plmprg.cfg" from `folder`. A missing file is reported
// and created empty; the settings then keep their values. A file refused as a
// whole is copied aside before the close can rewrite it, and the refusal says
// where; when no copy can be made, `keptBecause` receives why the file must
// not be rewritten at close.
model::Notices ReadConfiguration(const QString &folder, ConfigurationSettings &settings,
                                 QString *keptBecause = nullptr);

// The file as the writer leaves it: the nine setting lines, each followed by
// the comment of the old line with the same number, then the old extra lines'
// comments. The user words come from the wording dialog's two fields.
QByteArray BuildConfiguration(const QByteArray &oldContents, const ConfigurationSettings &settings,
                              const QString &userPositive, const QString &userNegative);

enum class ConfigurationWrite {
    Written,
    FileMissing,  // nothing written; the system closes anyway
    Failed,       // the file could not be replaced; the close is abandoned
};

struct ConfigurationWriteStatus {
    ConfigurationWrite result = ConfigurationWrite::Failed;
};
using ConfigurationWriteOutcome = model::Outcome<ConfigurationWriteStatus>;

// Rewrites "plmprg.cfg" in `folder` at close.
ConfigurationWriteOutcome WriteConfiguration(const QString &folder, const ConfigurationSettings &settings,
                                             const QString &userPositive, const QString &userNegative,
                                             const storage::WriteInterruption &interrupted = {});

// The first character of `value` that a value of the file cannot carry: one
// that code page 1250 lacks, an apostrophe (it ends the value) or a line
// break (it ends the line); nothing when the whole value reads back as it is.
std::optional<QChar> UnstorableCharacter(const QString &value);

} // namespace pellmora::storage
