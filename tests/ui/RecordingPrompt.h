#pragma once

#include "ui/Prompt.h"

#include <QList>
#include <QStringList>

namespace pellmora::ui::test {
using namespace pellmora::ui;

// A prompt that records every text it is shown and answers questions from a
// planned list (true = the positive button); with the plan used up it says no.
class RecordingPrompt : public Prompt {
public:
    QStringList shown;
    QList<bool> answers;

    void message(QWidget *, const QString &text) override { shown.append(text); }
    bool ask(QWidget *, const QString &text, Buttons) override
    {
        shown.append(text);
        return answers.isEmpty() ? false : answers.takeFirst();
    }
};

} // namespace pellmora::ui::test
