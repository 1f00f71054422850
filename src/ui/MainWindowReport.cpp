// The main window's report of the program for the customer: the same page
// that pellmora-cli report writes, into a PDF file or onto a printer.

#include "ui/MainInterface.h"

#include "ui/Prompt.h"
#include "ui/Session.h"

#include "model/ProgramHeader.h"
#include "report/ProgramReport.h"
#include "storage/ProgramFile.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

using namespace pellmora::model;

namespace pellmora::ui {

namespace {

// The program as it is now, its header packed from the settings; the footer
// names its file and says whether the file holds what the page shows.
report::ReportInput reportInputOf(const Session &session, bool inFile)
{
    Program program = session.program;
    PackHeader(program);
    QString file = QFileInfo(session.files.CurrentFileName).fileName();
    if (file.isEmpty())
        file = MainInterface::tr("neuložen");
    else if (!inFile)
        file = MainInterface::tr("%1 (změny neuloženy)").arg(file);
    return {program.image, session.format, file, QDate::currentDate()};
}

// The PDF beside the program file, named after it.
QString suggestedReportName(const QString &programFile)
{
    const QString base = QFileInfo(programFile).completeBaseName();
    return (base.isEmpty() ? QStringLiteral("program") : base) + QStringLiteral(".pdf");
}

} // namespace

void MainInterface::ReportPdfClick()
{
    const QString name = services_.askReportFileName(this, suggestedReportName(session_.files.CurrentFileName),
                                                     storage::FileDialogFolder(session_.files));
    if (name.isEmpty())
        return;
    const FileReplacement written = report::WriteReportPdf(name, reportInputOf(session_, programInFile()));
    if (!written) {
        showNotices({Notice::message(tr("Spínací program nelze uložit do souboru %1: %2").arg(name, written.reason))});
        return;
    }
    ShowInfo(tr("*** Spínací program uložen do %1 *** ").arg(QFileInfo(name).fileName()));
}

// The page fills the whole sheet: the report keeps its own margins, wider
// than any printer's.
void MainInterface::ReportPrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    printer.setFullPage(true);
    printer.setDocName(tr("Spínací program %1").arg(session_.program.settings.DeviceName));
    if (!services_.choosePrinter(this, printer))
        return;
    // A printer that prints into a file has no name of its own.
    const QString target = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    const Notices failed{Notice::message(tr("Tisk na %1 se nezdařil.").arg(target))};
    QPainter painter;
    if (!painter.begin(&printer)) {
        showNotices(failed);
        return;
    }
    report::PaintReport(painter, printer.paperRect(QPrinter::DevicePixel), reportInputOf(session_, programInFile()));
    if (!painter.end()) {
        showNotices(failed);
        return;
    }
    ShowInfo(tr("*** Spínací program vytištěn *** "));
}

} // namespace pellmora::ui
