#pragma once

// Programming a series of switches with one program and consecutive
// identifiers: for each switch the communication test, programming with
// verification (the switch's identifier set in the header of what is
// written), the clock set to the computer's time, a database record and one
// line in the series log. The program in the editor is never changed; every
// step is a device operation of its own on the link, so nothing else can
// transfer in the middle of one.

#include "device/ComTest.h"
#include "device/DeviceMemory.h"

#include "model/Notice.h"
#include "model/Program.h"
#include "storage/DeviceDatabase.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace pellmora::device {

// What the user set up the series with.
struct SeriesPlan {
    model::Program program; // a copy of the editor's program
    QString programFile;    // the program's file, named in each record
    quint16 firstId = 0;
    int count = 0;          // switches in the series; 0: until the user ends it
    bool setClock = true;   // the switch's clock to the computer's time after programming
    bool addToDatabase = true;
    QString logPath;        // empty: seriesLogName() of the first day, next to the database
    std::function<QDateTime()> now; // the computer's date and time; empty: the real clock
};

// The steps of one switch, in order, as the observer hears of them.
enum class SeriesStep { ComTest, Programming, Verifying, Clock, Record, Log };

struct SeriesObserver {
    std::function<void(SeriesStep)> step; // a step begins
    ComTestObserver comTest;
    TransferObserver transfer;            // programming and its verification
};

// What came of one switch.
struct SwitchOutcome {
    int number = 0;     // 1, 2, ... in the series
    quint16 id = 0;
    QDateTime time;     // when the switch was done (or failed)
    bool started = false; // false: refused before the device was touched (identifier used, link busy)
    bool idInUse = false; // refused: the identifier is already in the database
    bool ok = false;      // programmed, verified, clock set and recorded as asked
    QString result;       // "OK" or what went wrong, as the log says it
    // What the steps reported, in order. A switch that is OK may still carry
    // a message, when its log line could not be written.
    model::Notices notices;
    bool logWritten = false;
};

class SeriesProgramming {
public:
    SeriesProgramming(link::Link &link, storage::DeviceDatabase &database, DeviceMemoryState &memory, SeriesPlan plan,
                      SeriesObserver observer = {});

    // Why the series cannot start, checked before the first switch: a
    // database that is read-only, full or would overflow, a program without a
    // file name to record, identifiers beyond FFFF, a label the header
    // cannot hold, a log that cannot be written (it is created now, with its
    // header). Empty: the series may start.
    model::Notices check();

    int number() const { return number_; }   // the switch that comes next
    quint16 id() const { return quint16(id_); }
    int programmed() const { return programmed_; }
    // Every switch of a counted series was dealt with, or the identifiers
    // or the database's room ran out.
    bool finished() const;
    const QString &logPath() const { return logPath_; }

    // The record of the database that holds the next identifier, or -1.
    int recordWithId() const;
    // "Připojte spínač č. N (ID 0102) ..."
    QString connectText() const;

    // Programs the next switch. An identifier already in the database is
    // refused (idInUse, nothing touched) unless `useRecordedId`. A switch
    // that succeeds moves the series on to the next number and identifier;
    // one that fails stays the next one (retry), until skip().
    SwitchOutcome programSwitch(bool useRecordedId = false);

    // The switch that failed (or is skipped) is left out: the series moves on
    // to the next number; the next switch takes the same identifier when
    // `keepId`, else the one after it.
    void skip(bool keepId);
    // The next identifier instead of the present one (the present one is used).
    void takeNextId();

private:
    QDateTime now() const;
    void restartSupply();
    bool programAndVerify(SwitchOutcome &outcome);
    bool setClock(SwitchOutcome &outcome);
    bool record(SwitchOutcome &outcome);
    void log(SwitchOutcome &outcome);
    void step(SeriesStep s) const;

    link::Link &link_;
    storage::DeviceDatabase &database_;
    DeviceMemoryState &memory_;
    SeriesPlan plan_;
    SeriesObserver observer_;
    QString logPath_;
    int number_ = 1;
    int id_ = 0;
    int programmed_ = 0;
};

// The next switch is there when the interface's presence line, having
// dropped as the previous switch was unplugged, reads present again on a few
// samples in a row (a plug bounces as it goes in). A trigger made with
// `armed` fires on presence without waiting for a drop first.
class PresenceTrigger {
public:
    static constexpr int StableSamples = 3;

    explicit PresenceTrigger(bool armed = false) : armed_(armed) {}
    // One reading of the presence line; true once the switch is there again.
    bool sample(bool present);
    void arm() { armed_ = true; stable_ = 0; }
    bool armed() const { return armed_; }

private:
    bool armed_;
    int stable_ = 0;
};

// One reading of the presence line, taken as a device operation of its own;
// nullopt while another one runs.
std::optional<bool> SamplePresence(link::Link &link);

// The log of the day: "serie-RRRR-MM-DD.csv".
QString seriesLogName(QDate day);
// The header line of a new log, and one line of it; fields are separated by
// ';', a field holding ';', '"' or a line break is quoted, line breaks become
// blanks (one line per switch).
QByteArray seriesLogHeader();
QByteArray seriesLogLine(int number, quint16 id, const QString &name, const QDateTime &time, const QString &result);
// Adds `line` to the log at `path` (a new log starts with the header), the
// whole file replaced at once. false when the file cannot be read or written.
bool appendSeriesLog(const QString &path, const QByteArray &line);

} // namespace pellmora::device
