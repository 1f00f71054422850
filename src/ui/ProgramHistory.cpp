#include "ui/ProgramHistory.h"

#include "model/ProgramHeader.h"

#include <QCoreApplication>
#include <QUndoCommand>

using namespace pellmora::model;

namespace pellmora::ui {

namespace {

// Two states differ when a save would write other bytes or the list is
// worded otherwise; the period on view and the counters do not count.
bool differ(const EditorState &a, const EditorState &b)
{
    Program packedA = a.program;
    Program packedB = b.program;
    PackHeader(packedA);
    PackHeader(packedB);
    return packedA.image != packedB.image || a.format.FormatCode != b.format.FormatCode
        || a.format.OnWord != b.format.OnWord || a.format.OffWord != b.format.OffWord;
}

// One step: the state before and after it. Pushing it applies nothing, the
// change has been made already.
class StateChange : public QUndoCommand {
public:
    StateChange(ProgramHistory &history, const QString &text, EditorState before, EditorState after, int typing)
        : QUndoCommand(text), history_(history), before_(std::move(before)), after_(std::move(after)),
          typing_(typing)
    {
    }

    int id() const override { return typing_ < 0 ? -1 : 1; }

    // The next change of the same typing extends this step; typing back to
    // where it started leaves no step.
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const StateChange *>(other);
        if (next->typing_ != typing_)
            return false;
        after_ = next->after_;
        setObsolete(!differ(before_, after_));
        return true;
    }

    void undo() override { history_.restore(before_); }
    void redo() override
    {
        if (pushed_)
            history_.restore(after_);
        pushed_ = true;
    }

private:
    ProgramHistory &history_;
    EditorState before_;
    EditorState after_;
    int typing_;
    bool pushed_ = false;
};

QString outsideChangeText()
{
    return QCoreApplication::translate("pellmora::ui::ProgramHistory", "změna v jiném okně");
}

} // namespace

ProgramHistory::ProgramHistory(Program &program, InstructionFormat &format, std::function<void()> show,
                               QObject *parent)
    : QObject(parent), program_(program), format_(format), show_(std::move(show)), known_(current())
{
}

EditorState ProgramHistory::current() const
{
    return {program_, format_};
}

void ProgramHistory::push(const QString &text, int typing)
{
    const EditorState now = current();
    if (differ(known_, now))
        stack_.push(new StateChange(*this, text, known_, now, typing));
    known_ = now;
}

void ProgramHistory::record(const QString &text, const std::function<void()> &edit, Merge merge)
{
    noteChange(outsideChangeText());
    edit();
    push(text, merge == Merge::Typing ? typing_ : -1);
}

void ProgramHistory::noteChange(const QString &text)
{
    push(text, -1);
}

void ProgramHistory::undo()
{
    noteChange(outsideChangeText());
    endTyping();
    stack_.undo();
}

void ProgramHistory::redo()
{
    noteChange(outsideChangeText());
    endTyping();
    stack_.redo();
}

void ProgramHistory::clear()
{
    stack_.clear();
    known_ = current();
    endTyping();
}

void ProgramHistory::restore(const EditorState &state)
{
    program_ = state.program;
    format_ = state.format;
    show_();
    known_ = current();
}

} // namespace pellmora::ui
