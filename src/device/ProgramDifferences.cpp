#include "device/ProgramDifferences.h"

#include "device/DeviceText.h"
#include "device/HeaderText.h"

#include "model/ProgramHeader.h"
#include "model/Segment.h"
#include "model/TimeText.h"

#include <algorithm>
#include <optional>

using namespace pellmora::model;

namespace pellmora::device {

namespace {

const QString NothingText = QStringLiteral("—");

// What one side holds at a position of a period's list: an instruction word,
// the end of the list, or nothing (after the end, or no such period).
struct ListPlace {
    enum class Kind { Instruction, End, Nothing } kind = Kind::Nothing;
    quint16 word = 0;
    bool operator==(const ListPlace &) const = default;
};

Program programOf(const DeviceImage &image)
{
    Program program;
    program.image = image;
    UnpackHeader(program);
    return program;
}

int periodCount(const Program &program)
{
    return program.settings.LastPeriod + 1;
}

std::optional<QList<quint16>> periodList(const Program &program, int period)
{
    if (period >= periodCount(program))
        return std::nullopt;
    return SegmentWords(program, period);
}

ListPlace placeAt(const std::optional<QList<quint16>> &list, qsizetype position)
{
    if (!list || position > list->size())
        return {};
    if (position == list->size())
        return {ListPlace::Kind::End, 0};
    return {ListPlace::Kind::Instruction, list->at(position)};
}

QString placeText(const ListPlace &place, const InstructionFormat &format)
{
    switch (place.kind) {
    case ListPlace::Kind::Instruction: {
        QString text = InstructionText(place.word, format);
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return text;
    }
    case ListPlace::Kind::End:
        return deviceText("konec");
    case ListPlace::Kind::Nothing:
        break;
    }
    return NothingText;
}

QString bothValues(const QString &inFile, const QString &inDevice)
{
    return deviceText("v souboru \"%1\", v zařízení \"%2\"").arg(inFile, inDevice);
}

QStringList instructionLines(const Program &file, const Program &device, const InstructionFormat &format)
{
    QStringList lines;
    const int periods = std::max(periodCount(file), periodCount(device));
    for (int p = 0; p < periods; ++p) {
        const std::optional<QList<quint16>> inFile = periodList(file, p);
        const std::optional<QList<quint16>> inDevice = periodList(device, p);
        const qsizetype last = std::max(inFile ? inFile->size() : 0, inDevice ? inDevice->size() : 0);
        for (qsizetype m = 0; m <= last; ++m) {
            const ListPlace a = placeAt(inFile, m);
            const ListPlace b = placeAt(inDevice, m);
            if (a == b)
                continue;
            lines << deviceText("Perioda %1, instrukce %2: ").arg(p + 1).arg(m + 1)
                    + bothValues(placeText(a, format), placeText(b, format));
        }
    }
    return lines;
}

QStringList headerLines(const DeviceImage &file, const DeviceImage &device)
{
    QStringList lines;
    const auto inFile = HeaderTexts(file);
    const auto inDevice = HeaderTexts(device);
    for (qsizetype i = 0; i < inFile.size(); ++i) {
        if (inFile[i].second != inDevice[i].second)
            lines << inFile[i].first + QStringLiteral(": ") + bothValues(inFile[i].second, inDevice[i].second);
    }
    return lines;
}

} // namespace

QStringList DifferenceLines(const DeviceImage &file, const DeviceImage &device, const InstructionFormat &format)
{
    return instructionLines(programOf(file), programOf(device), format) + headerLines(file, device);
}

QStringList DifferenceLines(const DeviceImage &file, const MemoryBytes &device, const InstructionFormat &format)
{
    const QByteArray bytes(reinterpret_cast<const char *>(device.data()), qsizetype(device.size()));
    return DifferenceLines(file, DeviceImage::fromBytes(bytes), format);
}

} // namespace pellmora::device
