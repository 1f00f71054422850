#include "ui/SeriesProgrammingForm.h"

#include "ui/NamedWidgets.h"
#include "ui/Prompt.h"
#include "ui/Session.h"

#include "device/HexText.h"
#include "model/ProgramHeader.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace pellmora::device;
using namespace pellmora::model;

namespace pellmora::ui {

namespace {

QString hexId(int id)
{
    return NumberToHexText(quint32(id), 4);
}

// The highest identifier in the database + 1; 0001 in an empty one.
int proposedId(const storage::DeviceDatabase &database)
{
    int highest = 0;
    for (const storage::DatabaseRecord &record : database.Records) {
        bool ok = false;
        const int id = record.Id.toInt(&ok, 16);
        if (ok && id <= 0xFFFF)
            highest = qMax(highest, id);
    }
    return qMin(highest + 1, 0xFFFF);
}

} // namespace

SeriesProgrammingForm::SeriesProgrammingForm(Session &session, link::Link &link, Prompt &prompt, QWidget *parent)
    : QDialog(parent, Qt::Window)
    , session_(session)
    , link_(link)
    , prompt_(prompt)
{
    setObjectName(QStringLiteral("SeriesProgrammingForm"));
    setWindowTitle(tr("Sériové programování"));

    ProgramLabel = named<QLabel>(QStringLiteral("ProgramLabel"), this);
    FirstIdEdit = named<QLineEdit>(QStringLiteral("FirstIdEdit"), this);
    FirstIdEdit->setInputMask(QStringLiteral(">HHHH"));
    FirstIdEdit->setFixedWidth(70);
    CountSpin = named<QSpinBox>(QStringLiteral("CountSpin"), this);
    CountSpin->setRange(0, storage::DeviceDatabase::Capacity);
    CountSpin->setValue(10);
    CountSpin->setSpecialValueText(tr("bez omezení"));
    CountSpin->setFixedWidth(110);
    SetClockCheck = named<QCheckBox>(QStringLiteral("SetClockCheck"), tr("Nastavit čas spínače podle počítače"), this);
    SetClockCheck->setChecked(true);
    AddToDatabaseCheck =
        named<QCheckBox>(QStringLiteral("AddToDatabaseCheck"), tr("Zapsat každý spínač do databáze"), this);
    AddToDatabaseCheck->setChecked(true);

    ConnectLabel = named<QLabel>(QStringLiteral("ConnectLabel"), this);
    QFont big = ConnectLabel->font();
    big.setPointSize(big.pointSize() + 3);
    big.setBold(true);
    ConnectLabel->setFont(big);
    ConnectLabel->setWordWrap(true);
    StepLabel = named<QLabel>(QStringLiteral("StepLabel"), this);
    StepLabel->setWordWrap(true);
    SeriesProgress = named<QProgressBar>(QStringLiteral("SeriesProgress"), this);
    SeriesProgress->setTextVisible(false);

    SeriesTable = named<QTableWidget>(QStringLiteral("SeriesTable"), 0, 4, this);
    SeriesTable->setHorizontalHeaderLabels({tr("Č."), tr("ID"), tr("Čas"), tr("Výsledek")});
    SeriesTable->verticalHeader()->hide();
    SeriesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SeriesTable->setSelectionMode(QAbstractItemView::NoSelection);
    SeriesTable->horizontalHeader()->setStretchLastSection(true);
    SeriesTable->setColumnWidth(0, 40);
    SeriesTable->setColumnWidth(1, 60);
    SeriesTable->setColumnWidth(2, 80);
    SeriesTable->setMinimumSize(520, 220);

    StartBtn = namedButton(QStringLiteral("StartBtn"), tr("&Start"),
                           tr("Naprogramuje připojený spínač; další spínače se programují samy, jakmile je připojíte"),
                           this);
    RetryBtn = namedButton(QStringLiteral("RetryBtn"), tr("&Opakovat"), this);
    SkipBtn = namedButton(QStringLiteral("SkipBtn"), tr("&Přeskočit"), this);
    EndBtn = namedButton(QStringLiteral("EndBtn"), tr("&Ukončit"), tr("Ukončí sérii"), this);
    CloseBtn = namedButton(QStringLiteral("CloseBtn"), tr("&Zavřít"), this);
    connect(StartBtn, &QPushButton::clicked, this, &SeriesProgrammingForm::StartBtnClick);
    connect(RetryBtn, &QPushButton::clicked, this, &SeriesProgrammingForm::RetryBtnClick);
    connect(SkipBtn, &QPushButton::clicked, this, &SeriesProgrammingForm::SkipBtnClick);
    connect(EndBtn, &QPushButton::clicked, this, &SeriesProgrammingForm::EndBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::close);

    PresenceTimer = named<QTimer>(QStringLiteral("PresenceTimer"), this);
    PresenceTimer->setInterval(PresenceSampleMs);
    connect(PresenceTimer, &QTimer::timeout, this, &SeriesProgrammingForm::PresenceTimerTick);

    auto *settings = new QFormLayout;
    settings->addRow(tr("Program:"), ProgramLabel);
    settings->addRow(tr("První identifikátor:"), FirstIdEdit);
    settings->addRow(tr("Počet spínačů:"), CountSpin);
    settings->addRow(QString(), SetClockCheck);
    settings->addRow(QString(), AddToDatabaseCheck);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {StartBtn, RetryBtn, SkipBtn, EndBtn})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(ConnectLabel);
    layout->addWidget(StepLabel);
    layout->addWidget(SeriesProgress);
    layout->addWidget(SeriesTable);
    layout->addLayout(buttons);

    showState(State::Idle);
    proposeFirstId();
}

SeriesProgrammingForm::~SeriesProgrammingForm() = default;

void SeriesProgrammingForm::showEvent(QShowEvent *event)
{
    if (!series_)
        proposeFirstId();
    QDialog::showEvent(event);
}

// Closing the window ends the series; not while a switch is being programmed.
void SeriesProgrammingForm::closeEvent(QCloseEvent *event)
{
    if (state_ == State::Programming) {
        event->ignore();
        return;
    }
    if (series_)
        EndBtnClick();
    QDialog::closeEvent(event);
}

void SeriesProgrammingForm::proposeFirstId()
{
    const QString file = QFileInfo(session_.files.CurrentFileName).fileName();
    ProgramLabel->setText(file.isEmpty() ? tr("%1 (neuložený)").arg(session_.program.settings.DeviceName)
                                         : tr("%1 (%2)").arg(session_.program.settings.DeviceName, file));
    FirstIdEdit->setText(hexId(proposedId(session_.database)));
    ConnectLabel->setText(tr("Připojte první spínač a stiskněte Start."));
}

void SeriesProgrammingForm::showState(State state)
{
    state_ = state;
    const bool idle = state == State::Idle;
    for (QWidget *w : std::initializer_list<QWidget *>{FirstIdEdit, CountSpin, SetClockCheck, AddToDatabaseCheck})
        w->setEnabled(idle);
    StartBtn->setEnabled(idle || state == State::Waiting);
    RetryBtn->setVisible(state == State::Failed);
    SkipBtn->setVisible(state == State::Failed);
    EndBtn->setEnabled(!idle && state != State::Programming);
    CloseBtn->setEnabled(state != State::Programming);
    if (state == State::Waiting)
        PresenceTimer->start();
    else
        PresenceTimer->stop();
}

SeriesObserver SeriesProgrammingForm::observer()
{
    SeriesObserver observer;
    observer.step = [this](SeriesStep step) { showStep(step); };
    const auto pump = [] { QCoreApplication::processEvents(); };
    observer.comTest.progress = [this](int position) { SeriesProgress->setValue(position); };
    observer.comTest.pump = pump;
    observer.transfer.progress = [this](int done, int total) {
        SeriesProgress->setMaximum(total);
        SeriesProgress->setValue(done);
    };
    observer.transfer.pump = pump;
    return observer;
}

void SeriesProgrammingForm::showStep(SeriesStep step)
{
    switch (step) {
    case SeriesStep::ComTest:
        SeriesProgress->setRange(0, 100);
        SeriesProgress->setValue(0);
        StepLabel->setText(tr("Test komunikace..."));
        break;
    case SeriesStep::Programming: StepLabel->setText(tr("Programování...")); break;
    case SeriesStep::Verifying: StepLabel->setText(tr("Verifikace...")); break;
    case SeriesStep::Clock: StepLabel->setText(tr("Nastavení času...")); break;
    case SeriesStep::Record: StepLabel->setText(tr("Zápis do databáze...")); break;
    case SeriesStep::Log: break;
    }
    QCoreApplication::processEvents();
}

bool SeriesProgrammingForm::beginSeries()
{
    SeriesPlan plan;
    plan.program = session_.program;
    PackHeader(plan.program); // what the editor shows, as programming writes it
    plan.programFile = session_.files.CurrentFileName;
    plan.firstId = quint16(FirstIdEdit->text().toUInt(nullptr, 16));
    plan.count = CountSpin->value();
    plan.setClock = SetClockCheck->isChecked();
    plan.addToDatabase = addToDatabase_ = AddToDatabaseCheck->isChecked();
    series_ = std::make_unique<SeriesProgramming>(link_, session_.database, session_.deviceMemory, std::move(plan),
                                                  observer());
    if (const Notices refused = series_->check(); !refused.isEmpty()) {
        series_.reset();
        prompt_.showNotices(this, refused);
        return false;
    }
    SeriesTable->setRowCount(0);
    showState(State::Waiting);
    if (!settleIdentifier()) {
        endSeries(tr("Série ukončena."));
        return false;
    }
    return true;
}

// An identifier already in the database is used again only when the user
// says so; otherwise the next one is taken, or the series ends. false: end.
bool SeriesProgrammingForm::settleIdentifier()
{
    useRecordedId_ = false;
    for (int index = series_->recordWithId(); index >= 0 && !series_->finished(); index = series_->recordWithId()) {
        const storage::DatabaseRecord &record = session_.database.Records[index];
        const QString question =
            tr("Identifikátor %1 už má v databázi zařízení %2 (%3).\n\nAno: použít jej znovu\nNe: použít "
               "identifikátor %4\nZrušit: ukončit sérii")
                .arg(record.Id, record.Name, record.Date, hexId(series_->id() + 1));
        switch (prompt_.askYesNoCancel(this, question)) {
        case Prompt::Choice::Yes: useRecordedId_ = true; break;
        case Prompt::Choice::No: series_->takeNextId(); continue;
        case Prompt::Choice::Cancel: return false;
        }
        break;
    }
    if (series_->finished())
        return false;
    ConnectLabel->setText(series_->connectText());
    return true;
}

void SeriesProgrammingForm::StartBtnClick()
{
    if (state_ == State::Idle && !beginSeries())
        return;
    if (state_ == State::Waiting)
        programNext();
}

void SeriesProgrammingForm::PresenceTimerTick()
{
    if (state_ != State::Waiting || !series_)
        return;
    const std::optional<bool> present = SamplePresence(link_);
    if (present && trigger_.sample(*present))
        programNext();
}

void SeriesProgrammingForm::programNext()
{
    showState(State::Programming);
    StepLabel->clear();
    const SwitchOutcome outcome = series_->programSwitch(useRecordedId_);
    if (!outcome.started) {
        // Another device operation runs: the switch waits for the next try.
        showState(State::Waiting);
        StepLabel->setText(outcome.result);
        return;
    }
    addRow(outcome);
    if (!outcome.ok) {
        showState(State::Failed);
        ConnectLabel->setText(tr("Spínač č. %1 (ID %2) se nepodařilo naprogramovat.").arg(outcome.number)
                                  .arg(hexId(outcome.id)));
        StepLabel->setText(outcome.result);
        return;
    }
    if (addToDatabase_)
        emit recordAppended(session_.database.RecordCount() - 1);
    if (!outcome.logWritten) {
        prompt_.showNotices(this, outcome.notices);
        endSeries(tr("Série ukončena: záznam série nelze zapsat."));
        return;
    }
    StepLabel->setText(tr("Spínač č. %1 (ID %2) je naprogramován. Odpojte jej.").arg(outcome.number)
                           .arg(hexId(outcome.id)));
    awaitNextSwitch();
}

void SeriesProgrammingForm::awaitNextSwitch()
{
    if (series_->finished() || !settleIdentifier()) {
        endSeries(tr("Série ukončena: naprogramováno spínačů: %1.").arg(series_->programmed()));
        return;
    }
    // The switch just done (or given up) is still plugged in: the next one
    // is there once the presence line has dropped and come back.
    trigger_ = PresenceTrigger();
    showState(State::Waiting);
}

void SeriesProgrammingForm::RetryBtnClick()
{
    if (state_ == State::Failed)
        programNext();
}

void SeriesProgrammingForm::SkipBtnClick()
{
    if (state_ != State::Failed)
        return;
    const QString question = tr("Má další spínač dostat identifikátor %1, který spínač č. %2 nedostal?")
                                 .arg(hexId(series_->id()))
                                 .arg(series_->number());
    switch (prompt_.askYesNoCancel(this, question)) {
    case Prompt::Choice::Yes: series_->skip(true); break;
    case Prompt::Choice::No: series_->skip(false); break;
    case Prompt::Choice::Cancel: return;
    }
    StepLabel->clear();
    awaitNextSwitch();
}

void SeriesProgrammingForm::EndBtnClick()
{
    if (!series_ || state_ == State::Programming)
        return;
    endSeries(tr("Série ukončena: naprogramováno spínačů: %1.").arg(series_->programmed()));
}

void SeriesProgrammingForm::endSeries(const QString &summary)
{
    series_.reset();
    showState(State::Idle);
    ConnectLabel->setText(summary);
    FirstIdEdit->setText(hexId(proposedId(session_.database)));
}

void SeriesProgrammingForm::addRow(const SwitchOutcome &outcome)
{
    const int row = SeriesTable->rowCount();
    SeriesTable->insertRow(row);
    const QStringList cells = {QString::number(outcome.number), hexId(outcome.id),
                               outcome.time.time().toString(QStringLiteral("HH:mm:ss")), outcome.result};
    for (int column = 0; column < cells.size(); ++column) {
        auto *item = new QTableWidgetItem(cells[column]);
        if (!outcome.ok)
            item->setForeground(Qt::darkRed);
        SeriesTable->setItem(row, column, item);
    }
    SeriesTable->scrollToBottom();
}

} // namespace pellmora::ui
