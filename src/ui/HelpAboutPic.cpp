#include "HelpAboutPic.h"

#include "CentreOnScreen.h"
#include "Prompt.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QStringDecoder>
#include <QTimer>

#include <optional>

namespace pellmora::ui {

namespace {

// The about text: the first two lines of "about.abg" (code page 1250, CR LF)
// joined without a separator; nothing when the file cannot be opened.
std::optional<QString> readAboutText()
{
    QFile file(QStringLiteral("about.abg"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray joined;
    for (int line = 0; line < 2 && !file.atEnd(); ++line) {
        QByteArray text = file.readLine();
        while (text.endsWith('\n') || text.endsWith('\r'))
            text.chop(1);
        joined += text;
    }
    QStringDecoder decoder("windows-1250");
    return QString(decoder(joined));
}

} // namespace

HelpAboutPic::HelpAboutPic(Prompt &prompt, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , prompt_(prompt)
    , AboutImage(new QLabel(this))
    , OKBtn(new QPushButton(tr("I Agree"), this))
{
    setObjectName(QStringLiteral("HelpAboutPic"));
    setWindowTitle(tr("About"));
    setFixedSize(PictureWidth, PictureHeight);

    AboutImage->setObjectName(QStringLiteral("AboutImage"));
    AboutImage->setPixmap(QPixmap(QStringLiteral(":/about.png")));
    AboutImage->setScaledContents(true);
    AboutImage->setGeometry(rect());

    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->adjustSize();
    OKBtn->resize(qMax(OKBtn->width(), 90), OKBtn->height());
    OKBtn->move((PictureWidth - OKBtn->width()) / 2, PictureHeight - OKBtn->height() - 24);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QWidget::close);
}

void HelpAboutPic::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return; // restored by the window system, not opened again
    centreOnScreen(*this);
    // The message box must not open inside the show itself: read once the
    // window is up.
    QTimer::singleShot(0, this, &HelpAboutPic::FormShow);
}

void HelpAboutPic::FormShow()
{
    const std::optional<QString> text = readAboutText();
    if (!text) {
        prompt_.message(this, tr("Nenelezen About Vantor Corp. Soubor : 'about.abg'"));
        return;
    }
    emit aboutTextRead(*text);
}

} // namespace pellmora::ui
