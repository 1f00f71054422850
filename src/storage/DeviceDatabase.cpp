#include "storage/DeviceDatabase.h"

#include "storage/RecordDate.h"
#include "storage/RefusedFile.h"
#include "storage/StorageTexts.h"

#include <QDir>
#include <QFile>

#include <array>
#include <optional>

using namespace pellmora::model;

namespace pellmora::storage {

using storage::decodeFileText;
using storage::encodeFileText;
using storage::uiText;

namespace {

const QByteArray Header = "DDL {";
const QByteArray Trailer = " }";
const QByteArray Markers = "!$&#@{}";

enum Field { IdField, NameField, DateField, FileField, FieldCount };

struct FieldRule {
    char marker;
    qsizetype readLimit;   // bytes taken after the marker at most
    qsizetype keptLength;  // characters stored
    bool stopsAtAtSign;
};

constexpr std::array<FieldRule, FieldCount> FieldRules = {{
    {'$', DatabaseRecord::IdLength, DatabaseRecord::IdLength, false},
    {'&', DatabaseRecord::NameLength, DatabaseRecord::NameLength, true},
    {'#', DatabaseRecord::DateLength, DatabaseRecord::DateLength, true},
    {'@', 255, DatabaseRecord::FileLength, true},
}};

QString &fieldOf(DatabaseRecord &record, int field)
{
    switch (field) {
    case IdField: return record.Id;
    case NameField: return record.Name;
    case DateField: return record.Date;
    default: return record.File;
    }
}

int fieldIntroducedBy(char byte)
{
    for (int f = 0; f < FieldCount; ++f) {
        if (FieldRules[f].marker == byte)
            return f;
    }
    return -1;
}

bool endsFieldText(char byte, const FieldRule &rule)
{
    return byte == '!' || byte == '#' || byte == '$' || byte == '&' || byte == '{' || byte == '}'
        || (rule.stopsAtAtSign && byte == '@');
}

QByteArray trimmedOfControls(const QByteArray &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && static_cast<quint8>(text[first]) <= 0x20)
        ++first;
    while (last > first && static_cast<quint8>(text[last - 1]) <= 0x20)
        --last;
    return text.mid(first, last - first);
}

// Reads the text of a field from `pos` (the byte after its marker) and
// returns where the examination goes on: at the byte that ended the text, or
// after the text's last byte.
qsizetype readFieldText(const QByteArray &contents, qsizetype pos, const FieldRule &rule, QString &text)
{
    qsizetype end = pos;
    while (end < contents.size() && end - pos < rule.readLimit && !endsFieldText(contents[end], rule))
        ++end;
    // Trimmed again after the cut, so that a stored text never ends in a blank
    // that the next load would drop.
    text = decodeFileText(trimmedOfControls(trimmedOfControls(contents.mid(pos, end - pos)).left(rule.keptLength)));
    return end;
}

Notices refusal(const char *text) { return {Notice::message(uiText(text))}; }

ParsedDatabase refusedFile(const char *text) { return {{}, refusal(text), true, false}; }

Notices cannotWrite() { return refusal("Nelze zapisovat na disk !"); }

QString fileNameWithoutFolder(const QString &path)
{
    const qsizetype slash = qMax(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(slash + 1);
}

// The first character of `text` that the file uses as a marker, if any.
std::optional<QChar> markerIn(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80 && Markers.contains(char(c.unicode())))
            return c;
    }
    return std::nullopt;
}

} // namespace

QString DeviceDatabase::filePath() const
{
    return Directory.isEmpty() ? FileName : QDir(Directory).filePath(FileName);
}

ParsedDatabase ParseDatabase(const QByteArray &contents, const Pump &pump)
{
    if (contents.size() > DeviceDatabase::LargestFile)
        return refusedFile("Databázový soubor je až moc velkej....nenačtu to...smůla...");
    if (contents.size() < DeviceDatabase::SmallestFile) {
        return refusedFile("Nevím jestli ten soubor devices.ddl je skutečně databázový, nemá totiž hlavičku, "
                           "nebo je zcela prázdný...");
    }
    if (!contents.startsWith("DDL"))
        return refusedFile("To 'device.ddl' nebude databázový soubor. Header missing error.");

    const auto examine = [&pump] {
        if (pump)
            pump();
    };
    qsizetype pos = 3;
    for (; pos < contents.size(); ++pos) {
        examine();
        if (contents[pos] == '{')
            break;
    }
    ++pos;

    // Each kind of field fills the records in its own order, whatever record
    // marks stand between them.
    std::array<DatabaseRecord, DeviceDatabase::Capacity> table{};
    std::array<int, FieldCount> counters{};
    int marked = 0;
    bool overflow = false;
    while (pos < contents.size()) {
        examine();
        const char byte = contents[pos];
        if (byte == '}')
            break;
        if (byte == '!')
            ++marked;
        const int field = fieldIntroducedBy(byte);
        if (field < 0) {
            ++pos;
            continue;
        }
        QString text;
        pos = readFieldText(contents, pos + 1, FieldRules[field], text);
        int &counter = counters[field];
        if (counter < DeviceDatabase::Capacity)
            fieldOf(table[counter], field) = text;
        else
            overflow = true;
        ++counter;
    }

    ParsedDatabase parsed;
    const int count = qMin(marked, DeviceDatabase::Capacity);
    parsed.records = QList<DatabaseRecord>(table.begin(), table.begin() + count);
    parsed.truncated = overflow || marked > DeviceDatabase::Capacity;
    if (parsed.truncated) {
        parsed.notices.append(Notice::message(
            uiText("Databáze obsahuje víc než 256 zařízení, načteno bylo jen prvních 256.")));
    }
    return parsed;
}

QByteArray BuildDatabase(const QList<DatabaseRecord> &records)
{
    QByteArray file = Header;
    for (const DatabaseRecord &r : records) {
        file += " ! $" + encodeFileText(r.Id) + " &" + encodeFileText(r.Name) + " #" + encodeFileText(r.Date)
            + " @" + encodeFileText(r.File);
    }
    return file + Trailer;
}

namespace {

// The first rewrite would replace a refused file: its bytes are copied aside
// before, and the refusal says where. A file that cannot be copied is never
// replaced: the database stays read-only.
void keepRefusedFile(DeviceDatabase &database, Notices &notices)
{
    const std::optional<QString> copy = CopyRefusedFile(database.filePath());
    const QString kept = copy ? RefusedFileCopiedText(*copy)
                              : uiText("Soubor 'devices.ddl' nebyl načten a jeho záložní kopii nelze vytvořit, "
                                       "databáze je proto otevřena jen pro čtení. Soubor opravte nebo přesuňte "
                                       "a spusťte program znovu.");
    if (!copy)
        database.ReadOnlyReason = kept;
    notices.last().text += u'\n' + kept;
}

} // namespace

Notices LoadDatabase(DeviceDatabase &database, const QString &folder, const Pump &pump)
{
    database.Records.clear();
    database.ReadOnlyReason.clear();
    database.Directory = QDir(folder).absolutePath();
    const std::optional<QByteArray> contents =
        storage::readFileHead(database.filePath(), DeviceDatabase::LargestFile + 1);
    if (contents) {
        ParsedDatabase parsed = ParseDatabase(*contents, pump);
        database.Records = std::move(parsed.records);
        // An empty file holds nothing to keep.
        if (parsed.refused && !contents->isEmpty())
            keepRefusedFile(database, parsed.notices);
        if (parsed.truncated) {
            database.ReadOnlyReason = uiText("Databáze obsahuje více než 256 záznamů a je otevřena jen pro čtení; "
                                             "změny by smazaly záznamy za 256.");
            parsed.notices.last().text += u'\n' + uiText("Databáze je proto otevřena jen pro čtení: přidání nebo "
                                                          "odstranění zařízení by smazalo záznamy za 256.");
        }
        return parsed.notices;
    }
    if (pump)
        pump();
    Notices notices = refusal("Nenalezen databázový soubor 'devices.ddl' - Nebude vytvořena databáze o "
                              "progamovaných zařízeních");
    // A database that is not there starts as a valid empty one, so that the
    // next start reads it without complaint; a file that is there but cannot
    // be read is kept like a refused one.
    if (QFile::exists(database.filePath()))
        keepRefusedFile(database, notices);
    else
        storage::replaceFile(database.filePath(), BuildDatabase({}));
    return notices;
}

Notices WriteDatabase(const DeviceDatabase &database, const storage::WriteInterruption &interrupted)
{
    if (!storage::replaceFile(database.filePath(), BuildDatabase(database.Records), interrupted))
        return cannotWrite();
    return {};
}

AppendOutcome AppendCurrentDevice(DeviceDatabase &database, const QString &currentFileName,
                                  const ProgramSettings &settings, QDate today)
{
    if (database.readOnly())
        return {{false}, {Notice::message(database.ReadOnlyReason)}};
    if (currentFileName.isEmpty())
        return {{false}, refusal("Nebyly provedeny žádné změny v databázi! Nezadali jste jméno sluboru (*.PLM)")};
    if (database.RecordCount() >= DeviceDatabase::Capacity) {
        return {{false}, refusal("Databáze je plná, pojme nejvýš 256 zařízení - nebyly provedeny žádné změny "
                                 "v databázi!")};
    }
    DatabaseRecord record;
    record.Id = QStringLiteral("%1").arg(settings.DeviceId, 4, 16, QChar(u'0')).toUpper();
    record.Name = settings.DeviceName.left(DatabaseRecord::NameLength);
    record.Date = FormatRecordDate(today).left(DatabaseRecord::DateLength);
    record.File = fileNameWithoutFolder(currentFileName).left(DatabaseRecord::FileLength);

    if (const std::optional<QChar> c = markerIn(record.Name)) {
        return {{false}, {Notice::message(uiText("Jméno zařízení obsahuje znak '%1', který databáze neumí uložit "
                                                 "- nebyly provedeny žádné změny v databázi!")
                                              .arg(*c))}};
    }
    if (const std::optional<QChar> c = markerIn(record.File)) {
        return {{false}, {Notice::message(uiText("Jméno souboru obsahuje znak '%1', který databáze neumí uložit "
                                                 "- nebyly provedeny žádné změny v databázi!")
                                              .arg(*c))}};
    }
    database.Records.append(record);
    return {{true}, WriteDatabase(database)};
}

Notices RemoveRecord(DeviceDatabase &database, int index)
{
    if (database.readOnly())
        return {Notice::message(database.ReadOnlyReason)};
    if (index < 0 || index >= database.RecordCount())
        return {};
    database.Records.removeAt(index);
    return WriteDatabase(database);
}

} // namespace pellmora::storage
