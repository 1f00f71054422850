#pragma once

#include "model/Notice.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace pellmora::ui {

// Every message box and question of the windows goes through this interface,
// so that tests can replace it with a scripted one that records the texts and
// answers as planned.
class Prompt {
public:
    // QuitOrStay: "Ukončit bez uložení nastavení" and "Zůstat v programu", the
    // second the default.
    enum class Buttons { YesCancel, OkCancel, YesAbort, OkAbort, QuitOrStay };
    enum class Choice { Yes, No, Cancel };

    virtual ~Prompt() = default;
    // A plain information box with an OK button.
    virtual void message(QWidget *parent, const QString &text) = 0;
    // A warning question; true when the user chose the positive button (Yes or OK).
    virtual bool ask(QWidget *parent, const QString &text, Buttons buttons) = 0;
    // A warning question with Yes, No and Cancel; closing the box is Cancel.
    virtual Choice askYesNoCancel(QWidget *parent, const QString &text) = 0;
    // One of `items`, the first offered; the index chosen, -1 when cancelled.
    virtual int choose(QWidget *parent, const QString &text, const QStringList &items) = 0;
    // A notice that waits for nobody: shown while a transfer pumping its
    // messages goes on (a box that waited would stop the transfer).
    virtual void notify(QWidget *parent, const QString &text) = 0;

    // What an operation reported, in order: each message as a box, each info
    // line through `showInfo` into the window's info bar. A window without an
    // info bar passes none, and its info lines are not shown.
    void showNotices(QWidget *parent, const model::Notices &notices,
                     const std::function<void(const QString &)> &showInfo = {});
};

// The real thing: QMessageBox instances, modal but for the notices.
class MessageBoxPrompt : public Prompt {
public:
    void message(QWidget *parent, const QString &text) override;
    bool ask(QWidget *parent, const QString &text, Buttons buttons) override;
    Choice askYesNoCancel(QWidget *parent, const QString &text) override;
    int choose(QWidget *parent, const QString &text, const QStringList &items) override;
    void notify(QWidget *parent, const QString &text) override;
};

} // namespace pellmora::ui
