#pragma once

#include <QRadioButton>
#include <QString>
#include <QTest>
#include <QWidget>

namespace pellmora::ui::test {

// The control of a window with the given objectName; a missing one ends the
// test run, since every later step would only fail less clearly.
template <typename T> T *control(const QWidget &window, const QString &name)
{
    T *found = window.findChild<T *>(name);
    if (found == nullptr)
        qFatal("no control %s", qPrintable(name));
    return found;
}

// A click on a radio button's indicator: a button wider than its text (in
// a grid) takes no click beyond the text.
inline void clickIndicator(QRadioButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
}

// Key clicks carrying any character, as a keyboard layout would send them
// (QTest::keyClicks knows only ASCII).
inline void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace pellmora::ui::test
