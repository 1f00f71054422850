#include "device/SeriesProgramming.h"

#include "device/DeviceClock.h"
#include "device/DeviceText.h"
#include "device/HexText.h"

#include "model/ProgramHeader.h"
#include "storage/FileText.h"

#include <QDir>
#include <QFile>

using namespace pellmora::model;
using namespace Qt::StringLiterals;

namespace pellmora::device {

namespace {

constexpr int HighestId = 0xFFFF;
// A day's log is a few kilobytes; a file far beyond that is not read whole
// into memory to add one line.
constexpr qint64 LargestLog = 16 * 1024 * 1024;

QString hexId(int id)
{
    return NumberToHexText(quint32(id), 4);
}

// What the log and the table say about a step that went wrong: its
// messages, else its status lines.
QString problemText(const Notices &notices)
{
    QStringList messages;
    QStringList infos;
    for (const Notice &notice : notices)
        (notice.kind == Notice::Kind::Message ? messages : infos) << notice.text.trimmed();
    return (messages.isEmpty() ? infos : messages).join(u' ');
}

// A step went wrong: the switch's outcome takes its notices, and the log
// and the table what they say.
void failStep(SwitchOutcome &outcome, const Notices &notices)
{
    outcome.notices << notices;
    outcome.result = problemText(notices);
}

QByteArray csvField(QString text)
{
    text.replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ').replace(u'\r', u' ');
    if (text.contains(u';') || text.contains(u'"'))
        text = u'"' + text.replace(u'"', u"\"\""_s) + u'"';
    return text.toUtf8();
}

} // namespace

QString seriesLogName(QDate day)
{
    return u"serie-"_s + day.toString(u"yyyy-MM-dd"_s) + u".csv"_s;
}

QByteArray seriesLogHeader()
{
    return "poradi;id;nazev;cas;vysledek\n";
}

QByteArray seriesLogLine(int number, quint16 id, const QString &name, const QDateTime &time, const QString &result)
{
    return QByteArray::number(number) + ';' + hexId(id).toLatin1() + ';' + csvField(name) + ';'
           + time.toString(u"yyyy-MM-dd HH:mm:ss"_s).toLatin1() + ';' + csvField(result) + '\n';
}

bool appendSeriesLog(const QString &path, const QByteArray &line)
{
    QByteArray contents;
    if (QFile::exists(path)) {
        const std::optional<QByteArray> present = storage::readFileHead(path, LargestLog + 1);
        if (!present || present->size() > LargestLog)
            return false;
        contents = *present;
    }
    if (contents.isEmpty())
        contents = seriesLogHeader();
    else if (!contents.endsWith('\n'))
        contents += '\n';
    return bool(storage::replaceFile(path, contents + line));
}

SeriesProgramming::SeriesProgramming(link::Link &link, storage::DeviceDatabase &database, DeviceMemoryState &memory,
                                     SeriesPlan plan, SeriesObserver observer)
    : link_(link), database_(database), memory_(memory), plan_(std::move(plan)), observer_(std::move(observer)),
      id_(plan_.firstId)
{
    logPath_ = plan_.logPath.isEmpty() ? QDir(database_.Directory).filePath(seriesLogName(now().date()))
                                       : plan_.logPath;
}

QDateTime SeriesProgramming::now() const
{
    return plan_.now ? plan_.now() : QDateTime::currentDateTime();
}

void SeriesProgramming::step(SeriesStep s) const
{
    if (observer_.step)
        observer_.step(s);
}

Notices SeriesProgramming::check()
{
    const auto refused = [](const QString &text) { return Notices{Notice::message(text)}; };
    if (plan_.count < 0)
        return refused(deviceText("Počet spínačů série nemůže být záporný."));
    if (plan_.count > 0 && plan_.firstId + plan_.count - 1 > HighestId) {
        return refused(deviceText("Série by potřebovala identifikátory až do %1, nejvyšší je FFFF.")
                           .arg(hexId(plan_.firstId + plan_.count - 1)));
    }
    if (plan_.addToDatabase) {
        if (database_.readOnly())
            return refused(database_.ReadOnlyReason);
        if (plan_.programFile.isEmpty()) {
            return refused(deviceText("Program nemá jméno souboru (*.PLM), které by se zapsalo do databáze - "
                                      "uložte jej nejdříve."));
        }
        const int room = storage::DeviceDatabase::Capacity - database_.RecordCount();
        if (room <= 0 || plan_.count > room) {
            return refused(deviceText("Databáze pojme nejvýš 256 zařízení, volných míst zbývá %1 - série by se do ní "
                                      "nevešla.")
                               .arg(qMax(room, 0)));
        }
    }
    // The label is recorded as the settings hold it; it must be one the
    // header can hold too.
    Program packed = plan_.program;
    if (!PackHeader(packed))
        return refused(deviceText("Jméno zařízení nelze uložit do hlavičky programu."));
    // The log is created now, so that a log that cannot be written stops the
    // series before the first switch rather than after it.
    if (!appendSeriesLog(logPath_, {}))
        return refused(deviceText("Nelze zapisovat do záznamu série '%1'.").arg(QDir::toNativeSeparators(logPath_)));
    return {};
}

bool SeriesProgramming::finished() const
{
    // Identifiers run out at FFFF, an open-ended series also with the room
    // in the database.
    if (id_ > HighestId)
        return true;
    if (plan_.addToDatabase && database_.RecordCount() >= storage::DeviceDatabase::Capacity)
        return true;
    return plan_.count > 0 && number_ > plan_.count;
}

int SeriesProgramming::recordWithId() const
{
    const QString text = hexId(id_);
    for (int i = 0; i < database_.RecordCount(); ++i) {
        if (database_.Records[i].Id.compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString SeriesProgramming::connectText() const
{
    return deviceText("Připojte spínač č. %1 (ID %2) ...").arg(number_).arg(hexId(id_));
}

SwitchOutcome SeriesProgramming::programSwitch(bool useRecordedId)
{
    SwitchOutcome outcome;
    outcome.number = number_;
    outcome.id = quint16(id_);
    if (!useRecordedId && recordWithId() >= 0) {
        outcome.idInUse = true;
        outcome.result = deviceText("Identifikátor %1 už je v databázi.").arg(hexId(id_));
        outcome.notices << Notice::message(outcome.result);
        return outcome;
    }
    if (link_.busy()) {
        outcome.result = busyText();
        outcome.notices << Notice::info(outcome.result);
        return outcome;
    }
    outcome.started = true;
    outcome.ok = programAndVerify(outcome) && setClock(outcome) && record(outcome);
    outcome.time = now();
    if (outcome.ok)
        outcome.result = u"OK"_s;
    log(outcome);
    if (outcome.ok) {
        ++programmed_;
        ++number_;
        ++id_;
    }
    return outcome;
}

// A switch that has just been plugged in starts with its supply coming on,
// and only then does its microcontroller announce itself to the test. The
// supply is switched off first, so that each switch starts that way whatever
// the previous one left on the link (with a switch that stayed connected, as
// in a series run without waiting, too).
void SeriesProgramming::restartSupply()
{
    link::LinkSession session(link_);
    if (!session.acquired())
        return;
    link_.state().PortBase = link::Link::ComPortBase(link_.state().SelectedPort);
    link_.LinkPowerOff();
}

bool SeriesProgramming::programAndVerify(SwitchOutcome &outcome)
{
    restartSupply();
    step(SeriesStep::ComTest);
    ComTestOutcome test = RunComTest(link_, observer_.comTest);
    if (!test.connected) {
        failStep(outcome, test.notices);
        if (outcome.result.isEmpty())
            outcome.result = deviceText("Komunikační test neprošel (chyba %1).").arg(test.error);
        return false;
    }

    // The identifier goes only into what is written to this switch; the
    // rest of the image is the program as it was handed in.
    Program program = plan_.program;
    program.image.words[header::IdWord] = quint16(id_);

    step(SeriesStep::Programming);
    TransferObserver transfer = observer_.transfer;
    const auto verifying = transfer.verifying;
    transfer.verifying = [this, verifying] {
        if (verifying)
            verifying();
        step(SeriesStep::Verifying);
    };
    const DeviceOutcome written = WriteDeviceMemory(link_, memory_, program.image, transfer);
    if (!written.ok) {
        failStep(outcome, written.notices);
        return false;
    }
    return true;
}

bool SeriesProgramming::setClock(SwitchOutcome &outcome)
{
    if (!plan_.setClock)
        return true;
    step(SeriesStep::Clock);
    // The clock is the microcontroller's: its speed, not the memory's.
    if (!link_.busy())
        link_.state().LoopCount = link_.state().PICmicro_Loop;
    const ClockOutcome stored = StoreDeviceTime(link_, now().time());
    if (!stored.ok) {
        failStep(outcome, stored.notices);
        return false;
    }
    return true;
}

bool SeriesProgramming::record(SwitchOutcome &outcome)
{
    if (!plan_.addToDatabase)
        return true;
    step(SeriesStep::Record);
    ProgramSettings settings = plan_.program.settings;
    settings.DeviceId = quint16(id_);
    const storage::AppendOutcome appended =
        storage::AppendCurrentDevice(database_, plan_.programFile, settings, now().date());
    if (!appended.appended || !appended.notices.isEmpty()) {
        // Written into the table but not onto the disk: the record is not
        // kept, so that the table says what the file says.
        if (appended.appended)
            database_.Records.removeLast();
        failStep(outcome, appended.notices);
        return false;
    }
    return true;
}

void SeriesProgramming::log(SwitchOutcome &outcome)
{
    step(SeriesStep::Log);
    const QByteArray line =
        seriesLogLine(outcome.number, outcome.id, plan_.program.settings.DeviceName, outcome.time, outcome.result);
    outcome.logWritten = appendSeriesLog(logPath_, line);
    if (!outcome.logWritten) {
        outcome.notices << Notice::message(
            deviceText("Nelze zapisovat do záznamu série '%1'.").arg(QDir::toNativeSeparators(logPath_)));
    }
}

std::optional<bool> SamplePresence(link::Link &link)
{
    link::LinkSession session(link);
    if (!session.acquired())
        return std::nullopt;
    return link.InterfacePresent();
}

bool PresenceTrigger::sample(bool present)
{
    if (!present) {
        armed_ = true;
        stable_ = 0;
        return false;
    }
    if (!armed_)
        return false;
    if (++stable_ < StableSamples)
        return false;
    armed_ = false;
    stable_ = 0;
    return true;
}

void SeriesProgramming::skip(bool keepId)
{
    ++number_;
    if (!keepId)
        ++id_;
}

void SeriesProgramming::takeNextId()
{
    ++id_;
}

} // namespace pellmora::device
