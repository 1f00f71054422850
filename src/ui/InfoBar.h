#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

namespace pellmora::ui {

// The scrolling info bar of the main window, without its widget: the info text,
// the step timer BarTimer and the hint handler. Each step shows the new text
// through textShown(), which the main window puts into its read-only InfoBar edit.
//
//   ShowInfo(message)     frame the message "<message>" behind the old text,
//                         padded to Width characters, and scroll it in from the right
//   ShowScrollingThrough  as ShowInfo, but the text scrolls through and away
//   hint(text)            a hint of a control or menu item, shown behind the
//                         framed message, cut where it would not fit
//   step()                one BarTimer tick (tests call it directly)
class InfoBar : public QObject {
    Q_OBJECT
public:
    static constexpr int Width = 73;
    static constexpr int FirstStepMs = 200;
    static constexpr int StepMs = 80;
    static constexpr int ScrollThroughFirstStepMs = 100;

    explicit InfoBar(QObject *parent = nullptr);

    const QString &infoText() const { return info_; }
    void setInfoText(const QString &text) { info_ = text; }
    QTimer &BarTimer() { return barTimer_; }
    bool scrolling() const { return barTimer_.isActive(); }

    void ShowInfo(const QString &message);
    void ShowScrollingThrough(const QString &text);
    void hint(const QString &text);
    void step();

signals:
    void textShown(const QString &text);

private:
    QString framedMessage() const;

    QString info_;
    QTimer barTimer_;
};

} // namespace pellmora::ui
