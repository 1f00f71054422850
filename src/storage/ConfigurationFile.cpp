#include "storage/ConfigurationFile.h"

#include "storage/RefusedFile.h"
#include "storage/StorageTexts.h"

#include "model/Cp1250.h"

#include <QDir>
#include <QFile>

#include <optional>

using namespace pellmora::model;

namespace pellmora::storage {

using storage::decodeFileText;
using storage::encodeFileText;
using storage::uiText;

namespace {

const QByteArray HeaderKeyword = "CFG_Pellmora";
constexpr qsizetype UserWordLength = 15;
constexpr qsizetype KeptOldLines = 255;

enum class Key { Unknown, DeviceDirectory, SystemDirectory, LastProgrammedDevice, DefaultPort,
                 DefaultInstructionFormat, UserInstructionFormat, EepromBaudRate, MicrocontrollerBaudRate };

// The key is the text before the first colon, with the letters A to Z lowered.
Key keyOf(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    QByteArray key = colon < 0 ? QByteArray() : line.left(colon);
    for (char &c : key) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    static const QList<QPair<QByteArray, Key>> keys = {
        {"device directory", Key::DeviceDirectory},
        {"system directory", Key::SystemDirectory},
        {"last programmed device", Key::LastProgrammedDevice},
        {"default port", Key::DefaultPort},
        {"default instruction format", Key::DefaultInstructionFormat},
        {"user instruction format", Key::UserInstructionFormat},
        {"eeprom baud rate", Key::EepromBaudRate},
        {"microcontroller baud rate", Key::MicrocontrollerBaudRate},
    };
    for (const auto &[text, k] : keys) {
        if (key == text)
            return k;
    }
    return Key::Unknown;
}

// Where the quoted values of a line stand: the first value between the first
// two apostrophes; for the user-word line the second value between the next
// two, after a slash directly followed by an apostrophe.
struct LineValues {
    Key key = Key::Unknown;
    qsizetype firstOpen = -1;
    qsizetype firstClose = -1;
    qsizetype secondOpen = -1;
    qsizetype secondClose = -1;

    bool readable() const { return key != Key::Unknown && firstClose >= 0; }
    bool hasSecond() const { return secondClose >= 0; }
    // The end of the line's value: the closing apostrophe of its last value.
    qsizetype valueEnd() const { return hasSecond() ? secondClose : firstClose; }
};

LineValues valuesOf(const QByteArray &line)
{
    LineValues v;
    v.key = keyOf(line);
    v.firstOpen = line.indexOf('\'');
    if (v.firstOpen >= 0)
        v.firstClose = line.indexOf('\'', v.firstOpen + 1);
    if (v.key != Key::UserInstructionFormat || v.firstClose < 0)
        return v;
    if (line.indexOf("/'", v.firstClose + 1) < 0)
        return v;
    const qsizetype open = line.indexOf('\'', v.firstClose + 1);
    const qsizetype close = open < 0 ? -1 : line.indexOf('\'', open + 1);
    if (close >= 0) {
        v.secondOpen = open;
        v.secondClose = close;
    }
    return v;
}

QByteArray between(const QByteArray &line, qsizetype open, qsizetype close)
{
    return line.mid(open + 1, close - open - 1);
}

// A decimal integer from 0 to 65535, digits only.
std::optional<quint16> speedValue(const QByteArray &value)
{
    if (value.isEmpty())
        return std::nullopt;
    quint32 number = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + quint32(c - '0');
        if (number > 65535)
            return std::nullopt;
    }
    return static_cast<quint16>(number);
}

QString faultyLineText(int n, const QByteArray &line)
{
    return uiText("Configuration File Error at Line: ") + QString::number(n) + uiText("  Read Line: '")
        + decodeFileText(line);
}

QString badNumberText(int n)
{
    return uiText("Hele, na liniji ") + QString::number(n)
        + uiText(" je nějaká chybička jo, tak se tam laskavě pozeraj ty OPERÁTORE !");
}

QString missingSecondWordText(int n)
{
    return uiText("Hele, na liniji ") + QString::number(n)
        + uiText(" je nějaká chybička jo - chybí tam duhý string - očekáváno: \"User Instruction "
                 "Format:'*'/'*'\" , tak se tam laskavě pozeraj ty OPERÁTORE !");
}

// Applies one readable key line; returns the message it gives, if any.
std::optional<QString> applyLine(const QByteArray &line, const LineValues &v, int n,
                                 ConfigurationSettings &settings)
{
    const QByteArray value = between(line, v.firstOpen, v.firstClose);
    switch (v.key) {
    case Key::DeviceDirectory:
        settings.DeviceDirectory = decodeFileText(value);
        break;
    case Key::SystemDirectory:
        settings.SystemDirectory = decodeFileText(value);
        break;
    case Key::LastProgrammedDevice:
        settings.CurrentFileName = decodeFileText(value);
        break;
    case Key::DefaultPort: {
        static const QList<QByteArray> ports = {"com1", "com2", "com3", "com4"};
        const qsizetype port = ports.indexOf(value.toLower());
        if (port >= 0)
            settings.SelectedPort = static_cast<quint8>(port);
        break;
    }
    case Key::DefaultInstructionFormat: {
        const char digit = value.isEmpty() ? '\0' : value[0];
        if (digit < '0' || digit > '9')
            return badNumberText(n);
        settings.FormatCode = static_cast<quint8>(digit - '0');
        break;
    }
    case Key::UserInstructionFormat:
        settings.UserOnWord = decodeFileText(value.left(UserWordLength));
        if (!v.hasSecond())
            return missingSecondWordText(n);
        settings.UserOffWord = decodeFileText(between(line, v.secondOpen, v.secondClose).left(UserWordLength));
        break;
    case Key::EepromBaudRate:
    case Key::MicrocontrollerBaudRate: {
        const std::optional<quint16> speed = speedValue(value);
        if (!speed)
            return badNumberText(n);
        (v.key == Key::EepromBaudRate ? settings.EepromBaudRate : settings.PicBaudRate) = *speed;
        break;
    }
    case Key::Unknown:
        break;
    }
    return std::nullopt;
}

// The comment a rewritten line keeps: the text after the first semicolon that
// follows the line's value, or after the first semicolon of a line whose value
// cannot be read (the header line among them).
QByteArray keptComment(const QByteArray &line, bool isHeader)
{
    const LineValues v = valuesOf(line);
    const qsizetype from = !isHeader && v.readable() ? v.valueEnd() + 1 : 0;
    const qsizetype semicolon = line.indexOf(';', from);
    return semicolon < 0 ? QByteArray() : line.mid(semicolon + 1);
}

// The file is read: no longer than the largest file, its first line
// starting with the header keyword. A longer one is refused like a file
// without its header.
bool hasHeader(const QByteArray &contents)
{
    return contents.size() <= LargestConfigurationFile && contents.startsWith(HeaderKeyword);
}

// The close would rewrite a refused file: its bytes are copied aside first,
// and the refusal says where. A file that cannot be copied is not rewritten.
void keepRefusedFile(const QString &path, Notices &notices, QString *keptBecause)
{
    if (const std::optional<QString> copy = CopyRefusedFile(path)) {
        notices.last().text += u'\n' + RefusedFileCopiedText(*copy);
        return;
    }
    notices.last().text += u'\n' + uiText("Záložní kopii souboru nelze vytvořit, nastavení se proto při ukončení "
                                           "neuloží. Soubor opravte nebo přesuňte a spusťte program znovu.");
    if (keptBecause) {
        *keptBecause = uiText("Nastavení se neuloží: soubor 'plmprg.cfg' nebyl při spuštění načten a jeho záložní "
                              "kopii nelze vytvořit.");
    }
}

QString portText(quint8 port)
{
    return QStringLiteral("COM%1").arg(port <= 3 ? port + 1 : 1);
}

QList<QString> settingLines(const ConfigurationSettings &s, const QString &userPositive,
                            const QString &userNegative)
{
    const auto quoted = [](const QString &text) { return u'\'' + text + u'\''; };
    return {
        QString::fromLatin1(HeaderKeyword),
        QStringLiteral("Device Directory:") + quoted(s.DeviceDirectory),
        QStringLiteral("System Directory:") + quoted(s.SystemDirectory),
        QStringLiteral("Last Programmed Device:") + quoted(s.CurrentFileName),
        QStringLiteral("Default Port:") + quoted(portText(s.SelectedPort)),
        QStringLiteral("Default Instruction Format:") + quoted(QString::number(s.FormatCode)),
        QStringLiteral("User Instruction Format:") + quoted(userPositive) + u'/' + quoted(userNegative),
        QStringLiteral("EEPROM Baud Rate:") + quoted(QString::number(s.EepromBaudRate)),
        QStringLiteral("Microcontroller Baud Rate:") + quoted(QString::number(s.PicBaudRate)),
    };
}

} // namespace

std::optional<QByteArray> ReadConfigurationBytes(const QString &path)
{
    return storage::readFileHead(path, LargestConfigurationFile + 1);
}

Notices ParseConfiguration(const QByteArray &contents, ConfigurationSettings &settings)
{
    if (!hasHeader(contents)) {
        return {Notice::message(uiText(
            "To 'plmprg.cfg' teda, možná, neni konfigurační soubor, alespoň teda hlavička neodpovídá, "
            "dyžtak jí přepište (začít hned na ! 1.sloupci !) na 'CFG_Pellmora'"))};
    }
    const QList<QByteArray> lines = storage::splitLines(contents);
    Notices notices;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int n = int(i);
        const LineValues v = valuesOf(lines[i]);
        if (!v.readable()) {
            notices.append(Notice::message(faultyLineText(n, lines[i])));
            continue;
        }
        if (const std::optional<QString> message = applyLine(lines[i], v, n, settings))
            notices.append(Notice::message(*message));
    }
    return notices;
}

QString ConfigurationFilePath(const QString &folder)
{
    return QDir(folder).filePath(QString::fromLatin1(ConfigurationFileName));
}

Notices ReadConfiguration(const QString &folder, ConfigurationSettings &settings, QString *keptBecause)
{
    const QString path = ConfigurationFilePath(folder);
    const std::optional<QByteArray> contents = ReadConfigurationBytes(path);
    if (contents) {
        Notices notices = ParseConfiguration(*contents, settings);
        // An empty file holds nothing to keep.
        if (!contents->isEmpty() && !hasHeader(*contents))
            keepRefusedFile(path, notices, keptBecause);
        return notices;
    }
    // Only a file that is not there is created: an unreadable one keeps its contents.
    if (!QFile::exists(path))
        storage::replaceFile(path, {});
    return {Notice::message(
        uiText("Nenalezen konfigurační soubor - nebudou načteny adresáře atd. Vytvořím si nový !"))};
}

QByteArray BuildConfiguration(const QByteArray &oldContents, const ConfigurationSettings &settings,
                              const QString &userPositive, const QString &userNegative)
{
    const QList<QByteArray> oldLines = storage::splitLines(oldContents).mid(0, KeptOldLines);
    const QList<QString> lines = settingLines(settings, userPositive, userNegative);
    QByteArray file;
    for (qsizetype i = 0; i < qMax(lines.size(), oldLines.size()); ++i) {
        const QByteArray comment = i < oldLines.size() ? keptComment(oldLines[i], i == 0) : QByteArray();
        if (i < lines.size())
            file += encodeFileText(lines[i]) + "  ;";
        file += comment + "\r\n";
    }
    return file;
}

ConfigurationWriteOutcome WriteConfiguration(const QString &folder, const ConfigurationSettings &settings,
                                             const QString &userPositive, const QString &userNegative,
                                             const storage::WriteInterruption &interrupted)
{
    const QString path = ConfigurationFilePath(folder);
    const std::optional<QByteArray> old = ReadConfigurationBytes(path);
    if (!old) {
        return {{ConfigurationWrite::FileMissing},
                {Notice::message(uiText("Nenalezen konfigurační soubor - nebudou uloženy nastavení ! "
                                        "-no vono se zase tak nic hróznýho nestalo, že?"))}};
    }
    const QByteArray contents = BuildConfiguration(*old, settings, userPositive, userNegative);
    if (!storage::replaceFile(path, contents, interrupted)) {
        return {{ConfigurationWrite::Failed},
                {Notice::message(uiText("Chyba vstupu/výstupu: soubor 'plmprg.cfg' nelze přepsat, "
                                        "nastavení nebyla uložena."))}};
    }
    return {{ConfigurationWrite::Written}, {}};
}

std::optional<QChar> UnstorableCharacter(const QString &value)
{
    for (const QChar c : value) {
        if (!cp1250CanHold(c) || c == u'\'' || c == u'\r' || c == u'\n')
            return c;
    }
    return std::nullopt;
}

} // namespace pellmora::storage
