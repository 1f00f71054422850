#include "model/Cp1250.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace pellmora::model {

namespace {

struct Cp1250Table {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, quint8> toByte;

    Cp1250Table()
    {
        for (int b = 0; b < 256; ++b) {
            QStringDecoder decoder("windows-1250");
            const QString ch = decoder(QByteArray(1, static_cast<char>(b)));
            // A byte without a character of its own stands for the C1 control
            // of the same value, so that every byte survives a round trip.
            const bool defined = decoder.isValid() && !decoder.hasError() && ch.size() == 1
                && ch[0] != QChar::ReplacementCharacter;
            toUnicode[b] = defined ? ch[0].unicode() : static_cast<char16_t>(b);
        }
        for (int b : {0x81, 0x83, 0x88, 0x90, 0x98})
            toUnicode[b] = static_cast<char16_t>(b);
        for (int b = 0; b < 256; ++b)
            toByte.insert(toUnicode[b], static_cast<quint8>(b));
    }
};

const Cp1250Table &table()
{
    static const Cp1250Table instance;
    return instance;
}

} // namespace

QString fromCp1250(const QByteArray &bytes)
{
    const Cp1250Table &t = table();
    QString text;
    text.reserve(bytes.size());
    for (char b : bytes)
        text.append(QChar(t.toUnicode[static_cast<quint8>(b)]));
    return text;
}

QByteArray toCp1250(const QString &text, bool *ok)
{
    const Cp1250Table &t = table();
    QByteArray bytes;
    bytes.reserve(text.size());
    bool held = true;
    for (QChar ch : text) {
        const auto it = t.toByte.constFind(ch.unicode());
        if (it == t.toByte.constEnd()) {
            held = false;
            bytes.append('?');
        } else {
            bytes.append(static_cast<char>(*it));
        }
    }
    if (ok)
        *ok = held;
    return bytes;
}

bool cp1250CanHold(QChar ch)
{
    return table().toByte.contains(ch.unicode());
}

bool cp1250CanHold(const QString &text)
{
    for (QChar ch : text) {
        if (!cp1250CanHold(ch))
            return false;
    }
    return true;
}

} // namespace pellmora::model
