#pragma once

#include <QList>
#include <QString>

namespace pellmora::model {

// What a core operation asks the window to show, in order: a modal message
// box (OK button) or a status line scrolled into the info bar (ShowInfo).
struct Notice {
    enum class Kind { Message, Info };
    Kind kind;
    QString text;

    static Notice message(const QString &text) { return {Kind::Message, text}; }
    static Notice info(const QString &text) { return {Kind::Info, text}; }
    bool operator==(const Notice &) const = default;
};

using Notices = QList<Notice>;

} // namespace pellmora::model
