#include "model/Segment.h"

#include "model/ProgramHeader.h"

#include <algorithm>

namespace pellmora::model {

quint16 BuildInstructionWord(quint16 delaySeconds, bool switchOn)
{
    const quint16 delay = static_cast<quint16>(delaySeconds & DelayMask);
    return static_cast<quint16>(switchOn ? delay | SwitchOnBit : delay);
}

int SegmentFirstWord(const ProgramSettings &settings, int period)
{
    return std::clamp(int(settings.SegmentCapacity) * period, 0, InstructionAreaWords);
}

int SegmentLength(const ProgramSettings &settings, int period)
{
    const int first = SegmentFirstWord(settings, period);
    return std::clamp(int(settings.SegmentCapacity), 0, InstructionAreaWords - first);
}

int SegmentFirstWord(const ProgramSettings &settings)
{
    return std::clamp(int(settings.SegmentStart), 0, InstructionAreaWords);
}

int SegmentLength(const ProgramSettings &settings)
{
    const int first = SegmentFirstWord(settings);
    return std::clamp(int(settings.SegmentCapacity), 0, InstructionAreaWords - first);
}

namespace {

quint16 countFrom(const DeviceImage &image, int first, int length)
{
    int n = 0;
    while (n < length && image.words[first + n] != EndMarker)
        ++n;
    return static_cast<quint16>(n);
}

QList<quint16> wordsFrom(const DeviceImage &image, int first, int length)
{
    const int n = countFrom(image, first, length);
    return QList<quint16>(image.words.begin() + first, image.words.begin() + first + n);
}

// The list as the image holds it, whatever InstructionCount last said.
int currentCount(const Program &program)
{
    return SegmentCount(program);
}

} // namespace

quint16 SegmentCount(const Program &program)
{
    return countFrom(program.image, SegmentFirstWord(program.settings), SegmentLength(program.settings));
}

quint16 SegmentCount(const Program &program, int period)
{
    return countFrom(program.image, SegmentFirstWord(program.settings, period),
                     SegmentLength(program.settings, period));
}

QList<quint16> SegmentWords(const Program &program)
{
    return wordsFrom(program.image, SegmentFirstWord(program.settings), SegmentLength(program.settings));
}

QList<quint16> SegmentWords(const Program &program, int period)
{
    return wordsFrom(program.image, SegmentFirstWord(program.settings, period),
                     SegmentLength(program.settings, period));
}

bool SegmentHasRoom(const ProgramSettings &settings)
{
    return settings.InstructionCount + 1 < SegmentLength(settings);
}

bool SegmentAppend(Program &program, quint16 word)
{
    return SegmentInsert(program, currentCount(program), word);
}

bool SegmentInsert(Program &program, int position, quint16 word)
{
    ProgramSettings &s = program.settings;
    const int count = currentCount(program);
    if (word == EndMarker || count + 1 >= SegmentLength(s) || position < 0 || position > count)
        return false;
    auto segment = program.image.words.begin() + SegmentFirstWord(s);
    // Moves the list and its end marker up by one word.
    std::copy_backward(segment + position, segment + count + 1, segment + count + 2);
    segment[position] = word;
    s.InstructionCount = static_cast<quint16>(count + 1);
    return true;
}

bool SegmentDelete(Program &program, int position)
{
    ProgramSettings &s = program.settings;
    const int count = currentCount(program);
    if (position < 0 || position >= count)
        return false;
    auto segment = program.image.words.begin() + SegmentFirstWord(s);
    std::copy(segment + position + 1, segment + count, segment + position);
    // The word after the new last instruction ends the list, also when the
    // list filled the segment to its last word.
    segment[count - 1] = EndMarker;
    s.InstructionCount = static_cast<quint16>(count - 1);
    return true;
}

bool SegmentReplace(Program &program, int position, quint16 word)
{
    ProgramSettings &s = program.settings;
    const int count = currentCount(program);
    if (word == EndMarker || position < 0 || position >= count)
        return false;
    program.image.words[SegmentFirstWord(s) + position] = word;
    return true;
}

} // namespace pellmora::model
