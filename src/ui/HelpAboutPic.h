#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace pellmora::storage {
struct FileLocations;
}

namespace pellmora::ui {

class Prompt;

// The about screen: a borderless 450 x 300 window centred on the screen,
// filled by the about picture, with the "I Agree" button that closes it.
// It is shown without blocking the main window.
//
// Each time it is shown it reads "about.abg" from the start-up folder
// (first two lines joined), wherever the current directory has moved since. Signals for the main window:
//   aboutTextRead(text): the joined text; the main window scrolls it into the
//     info bar with ShowInfo, then deletes the first "<" of its info text (so
//     the whole text scrolls through instead of stopping at its start) and
//     gives BarTimer's next step 100 ms.
// A missing file is reported through the prompt ("Nenelezen About ...") each
// time; the window then shows its picture only and emits nothing.
class HelpAboutPic : public QWidget {
    Q_OBJECT
public:
    static constexpr int PictureWidth = 450;
    static constexpr int PictureHeight = 300;

    HelpAboutPic(Prompt &prompt, const storage::FileLocations &locations, QWidget *parent = nullptr);

signals:
    void aboutTextRead(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    Prompt &prompt_;
    const storage::FileLocations &locations_;
    QLabel *AboutImage;
    QPushButton *OKBtn;
};

} // namespace pellmora::ui
