#pragma once

// The database of programmed devices: at most 256 records in memory and the
// file "devices.ddl", one line of marked records, rewritten whole after every
// change into the directory it was loaded from.

#include "storage/FileText.h"

#include "model/Notice.h"
#include "model/Outcome.h"
#include "model/Program.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <functional>

namespace pellmora::storage {

inline constexpr char DatabaseFileName[] = "devices.ddl";

struct DatabaseRecord {
    static constexpr qsizetype IdLength = 4;
    static constexpr qsizetype NameLength = 10;
    static constexpr qsizetype DateLength = 10;
    static constexpr qsizetype FileLength = 80;

    QString Id;    // DeviceId as four upper-case hexadecimal digits
    QString Name;  // DeviceName
    QString Date;  // the day the record was appended (RecordDate.h)
    QString File;  // the program file's name without its folder

    bool operator==(const DatabaseRecord &) const = default;
};

struct DeviceDatabase {
    static constexpr int Capacity = 256;
    static constexpr qint64 LargestFile = 71424;
    static constexpr qint64 SmallestFile = 7;

    QList<DatabaseRecord> Records;   // in the order they were appended
    QString LastProgrammingDate;     // Date of the record opened last from the database
    QString Directory;               // where the file was loaded from; rewrites go there too
    QString FileName = QString::fromLatin1(DatabaseFileName); // the file's name in Directory
    // Why the file must not be rewritten, told to the user when a change is
    // refused; empty: changes are written.
    QString ReadOnlyReason;

    int RecordCount() const { return int(Records.size()); }
    bool readOnly() const { return !ReadOnlyReason.isEmpty(); }
    QString filePath() const;
};

// Lets pending window messages be processed.
using Pump = std::function<void()>;

// Reads the records from the contents of a database file, calling `pump`
// before each byte it examines. The messages say why nothing or not
// everything was loaded.
struct ParsedDatabase {
    QList<DatabaseRecord> records;
    model::Notices notices;
    bool refused = false;    // the file is no database: nothing was read
    bool truncated = false;  // the file holds more than the table: only the first 256 records were read
};
ParsedDatabase ParseDatabase(const QByteArray &contents, const Pump &pump = {});

// The file contents for `records`.
QByteArray BuildDatabase(const QList<DatabaseRecord> &records);

// Loads "devices.ddl" from `folder`, which becomes the database's directory. A missing file is reported and created as an empty
// database; every refusal leaves an empty table and copies the refused file
// aside (a database whose file cannot be copied is read-only). A file with
// more records than the table opens read-only, so that no rewrite drops the
// records beyond the table.
model::Notices LoadDatabase(DeviceDatabase &database, const QString &folder, const Pump &pump = {});

// Rewrites the whole file. On failure the table keeps its contents.
model::Notices WriteDatabase(const DeviceDatabase &database, const storage::WriteInterruption &interrupted = {});

struct AppendStatus {
    bool appended = false;
};
using AppendOutcome = model::Outcome<AppendStatus>;

// Appends a record for the program in the editor, dated `today`, and
// rewrites the file. Refused, with nothing changed, when the database is
// read-only, when there is no current file, when the table is full, or when
// the label or file name holds a character that the file uses as a marker.
AppendOutcome AppendCurrentDevice(DeviceDatabase &database, const QString &currentFileName,
                                  const model::ProgramSettings &settings, QDate today = QDate::currentDate());

// Removes record `index` and rewrites the file; an index outside the table
// changes nothing, a read-only database is refused.
model::Notices RemoveRecord(DeviceDatabase &database, int index);

} // namespace pellmora::storage
