#include "ui/Prompt.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace pellmora::ui {

void Prompt::showNotices(QWidget *parent, const model::Notices &notices,
                         const std::function<void(const QString &)> &showInfo)
{
    for (const model::Notice &notice : notices) {
        if (notice.kind == model::Notice::Kind::Message)
            message(parent, notice.text);
        else if (showInfo)
            showInfo(notice.text);
    }
}

void MessageBoxPrompt::message(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, QApplication::applicationName(), text);
}

void MessageBoxPrompt::notify(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Information, QApplication::applicationName(), text, QMessageBox::Ok,
                                parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

namespace {

bool askQuitOrStay(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(), text, QMessageBox::NoButton, parent);
    QPushButton *quit =
        box.addButton(QCoreApplication::translate("pellmora::ui", "Ukončit bez uložení nastavení"),
                      QMessageBox::DestructiveRole);
    QPushButton *stay = box.addButton(QCoreApplication::translate("pellmora::ui", "Zůstat v programu"),
                                      QMessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    box.exec();
    return box.clickedButton() == quit;
}

} // namespace

bool MessageBoxPrompt::ask(QWidget *parent, const QString &text, Buttons buttons)
{
    if (buttons == Buttons::QuitOrStay)
        return askQuitOrStay(parent, text);
    QMessageBox::StandardButton positive = QMessageBox::Yes;
    QMessageBox::StandardButton negative = QMessageBox::Cancel;
    switch (buttons) {
    case Buttons::YesCancel: break;
    case Buttons::OkCancel: positive = QMessageBox::Ok; break;
    case Buttons::YesAbort: negative = QMessageBox::Abort; break;
    case Buttons::OkAbort: positive = QMessageBox::Ok; negative = QMessageBox::Abort; break;
    case Buttons::QuitOrStay: break;
    }
    return QMessageBox::warning(parent, QApplication::applicationName(), text, positive | negative, negative)
        == positive;
}

Prompt::Choice MessageBoxPrompt::askYesNoCancel(QWidget *parent, const QString &text)
{
    switch (QMessageBox::warning(parent, QApplication::applicationName(), text,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Choice::Yes;
    case QMessageBox::No: return Choice::No;
    default: return Choice::Cancel;
    }
}

int MessageBoxPrompt::choose(QWidget *parent, const QString &text, const QStringList &items)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, QApplication::applicationName(), text, items, 0, false, &ok);
    return ok ? int(items.indexOf(chosen)) : -1;
}

} // namespace pellmora::ui
