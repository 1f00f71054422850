#pragma once

// The report handed to the customer: one A4 page with the switch's settings
// and, per period, its timeline (lit and dark spans over the day(s) the
// period spans, hour ticks, the start-up time marked), its schedule table
// (clock time, state word, delay) and its end sentence, with a footer naming
// the file and the date. A page of many instructions or eight periods is
// drawn smaller so that it still fits.
//
//   PaintReport(painter, page, input)   draws the page into `page` (device
//                                       units) of any paint device: a PDF
//                                       writer, a printer, an image.
//   ReportPdf(input)                    the page as a PDF document.
//   WriteReportPdf(path, input)         the PDF replacing `path` at once; a
//                                       failure leaves a previous file as it
//                                       was and gives the reason.
//
// Drawing text needs a QGuiApplication (any platform, offscreen included).

#include "model/DeviceImage.h"
#include "model/InstructionFormat.h"
#include "storage/FileText.h"

#include <QByteArray>
#include <QDate>
#include <QRectF>
#include <QString>

class QPainter;

namespace pellmora::report {

struct ReportInput {
    model::DeviceImage image;        // the program, its header packed
    model::InstructionFormat format; // the wording of the light states
    QString fileName;                // shown in the footer
    QDate date;                      // shown in the footer
};

void PaintReport(QPainter &painter, const QRectF &page, const ReportInput &input);
QByteArray ReportPdf(const ReportInput &input);
storage::FileReplacement WriteReportPdf(const QString &path, const ReportInput &input);

} // namespace pellmora::report
