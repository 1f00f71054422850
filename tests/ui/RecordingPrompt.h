#pragma once

#include "ui/Prompt.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace pellmora::ui::test {
using namespace pellmora::ui;

// A prompt that records every text it is shown and answers questions from a
// planned list (true = the positive button); with the plan used up it says no.
// Questions with three buttons take their answers from a list of their own
// and, with it used up, choose Cancel.
class RecordingPrompt : public Prompt {
public:
    QStringList shown;
    QStringList notified; // notices that wait for nobody
    QList<bool> answers;
    QList<Choice> choices;
    QList<int> picks; // answers of choose(); with the plan used up it cancels
    std::function<void()> onShown; // runs as each text is shown

    void message(QWidget *, const QString &text) override { record(text); }
    bool ask(QWidget *, const QString &text, Buttons) override
    {
        record(text);
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    Choice askYesNoCancel(QWidget *, const QString &text) override
    {
        record(text);
        return choices.isEmpty() ? Choice::Cancel : choices.takeFirst();
    }

    int choose(QWidget *, const QString &text, const QStringList &) override
    {
        record(text);
        return picks.isEmpty() ? -1 : picks.takeFirst();
    }

    void notify(QWidget *, const QString &text) override { notified.append(text); }

private:
    void record(const QString &text)
    {
        shown.append(text);
        if (onShown)
            onShown();
    }
};

} // namespace pellmora::ui::test
