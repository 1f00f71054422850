#pragma once

#include <QSize>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace pellmora::ui {

// A borderless window, always on top, filled by one bevelled panel with a
// large bold text: what the progress windows of the device transfers show
// while the user interface is busy with the bus, with a bar of the bytes
// done under the text where the window has one. It has no controls and no
// events of its own; the main window shows it, processes pending messages
// once so that it paints, and closes it when the transfer is over.
class TransferPanel : public QWidget {
    Q_OBJECT
public:
    // `panelName` is the panel's objectName, `text` its text at start.
    TransferPanel(const QString &panelName, const QString &text, QWidget *parent = nullptr);

    // Shown in the middle of the screen, its bar empty.
    void showCentred();
    QString panelText() const;
    void setPanelText(const QString &text);
    // The bytes done of the transfer; a window without a bar ignores them.
    void setProgress(int done, int total);
    // The bar's text and how far it is, 0..100 (-1: nothing done yet or no bar).
    QString progressText() const;
    int progressPercent() const;

protected:
    // The panel's bevel width, text size and window size, whether the
    // text sits in a sunken bevel of its own inside the raised panel, and
    // whether a bar of the bytes done stands under it.
    struct Look {
        int bevel = 3;
        qreal textScale = 1.8;
        QSize size{260, 70};
        bool sunkenText = false;
        bool progressBar = false;
    };
    TransferPanel(const QString &panelName, const QString &text, const Look &look, QWidget *parent);

private:
    QLabel *panel_;
    QProgressBar *progress_ = nullptr;
};

} // namespace pellmora::ui
