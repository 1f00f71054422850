#pragma once

#include "model/InstructionFormat.h"
#include "model/Program.h"

#include <QObject>
#include <QUndoStack>

#include <functional>

namespace pellmora::ui {

// The program and its wording as one state the user can return to.
struct EditorState {
    model::Program program;
    model::InstructionFormat format;
};

// Undo and redo of the changes to the program in the editor. Each step keeps
// the whole state before and after the change, so an editing operation of
// the core needs to know nothing about it: the window runs the operation
// through record() and the step is kept when the program (as a save would
// write it) or its wording changed.
//
//   record(text, edit)     runs `edit` and keeps its change as the step `text`.
//   record(..., Typing)    the changes of one typing in a field make a single
//                          step, until endTyping().
//   noteChange(text)       a change already made (a dialog wrote it at once)
//                          becomes the step `text`.
//   undo() / redo()        restore the state before / after a step and have
//                          the window show it.
//   clear()                no steps: after a load, a save or a new program.
//
// A change that reached the program without record() (another window wrote
// it) becomes a step of its own before the next step, undo or redo, so
// undoing a step never takes back something the user did elsewhere.
class ProgramHistory : public QObject {
    Q_OBJECT
public:
    enum class Merge { Separate, Typing };

    ProgramHistory(model::Program &program, model::InstructionFormat &format, std::function<void()> show,
                   QObject *parent = nullptr);

    void record(const QString &text, const std::function<void()> &edit, Merge merge = Merge::Separate);
    void noteChange(const QString &text);
    void endTyping() { ++typing_; }
    void undo();
    void redo();
    void clear();

    QUndoStack &stack() { return stack_; }

    // Called by the steps.
    void restore(const EditorState &state);

private:
    EditorState current() const;
    void push(const QString &text, int typing);

    model::Program &program_;
    model::InstructionFormat &format_;
    std::function<void()> show_;
    QUndoStack stack_;
    EditorState known_; // the state after the last step, undo or redo
    int typing_ = 0;
};

} // namespace pellmora::ui
