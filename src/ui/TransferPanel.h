#pragma once

#include <QSize>
#include <QWidget>

class QLabel;

namespace pellmora::ui {

// A borderless window, always on top, filled by one bevelled panel with a
// large bold text: what the progress windows of the device transfers show
// while the user interface is busy with the bus. It has no controls and no
// events of its own; the main window shows it, processes pending messages
// once so that it paints, and closes it when the transfer is over.
class TransferPanel : public QWidget {
    Q_OBJECT
public:
    // `panelName` is the panel's objectName, `text` its text at start.
    TransferPanel(const QString &panelName, const QString &text, QWidget *parent = nullptr);

    void showCentred();
    QString panelText() const;
    void setPanelText(const QString &text);

protected:
    // The panel's bevel width, text size and window size, and whether the
    // text sits in a sunken bevel of its own inside the raised panel.
    struct Look {
        int bevel = 3;
        qreal textScale = 1.8;
        QSize size{260, 70};
        bool sunkenText = false;
    };
    TransferPanel(const QString &panelName, const QString &text, const Look &look, QWidget *parent);

private:
    QLabel *panel_;
};

} // namespace pellmora::ui
