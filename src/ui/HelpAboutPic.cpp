#include "ui/HelpAboutPic.h"

#include "ui/CentreOnScreen.h"
#include "ui/Prompt.h"
#include "storage/AboutText.h"
#include "storage/FileLocations.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

using namespace pellmora::model;
using namespace pellmora::storage;

// The pictures are compiled into the widget library; a static library only
// brings them along when something asks for them.
static void initPictureResources()
{
    Q_INIT_RESOURCE(assets);
}

namespace pellmora::ui {

HelpAboutPic::HelpAboutPic(Prompt &prompt, const storage::FileLocations &locations, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , prompt_(prompt)
    , locations_(locations)
    , AboutImage(new QLabel(this))
    , OKBtn(new QPushButton(tr("I Agree"), this))
{
    setObjectName(QStringLiteral("HelpAboutPic"));
    setWindowTitle(tr("About"));
    setFixedSize(PictureWidth, PictureHeight);
    initPictureResources();

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
    const AboutText about = ReadAboutText(locations_.StartUpDirectory);
    prompt_.showNotices(this, about.notices);
    if (about.found)
        emit aboutTextRead(about.text);
}

} // namespace pellmora::ui
