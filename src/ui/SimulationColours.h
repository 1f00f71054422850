#pragma once

// The colours of the "Simulace" window, shared by its timelines and the
// window around them: the legend and the tables' state words take the
// spans' colours, the clock the time marker's.

#include <QColor>

namespace pellmora::ui::simulation {

inline const QColor LitColour(0xFF, 0xD5, 0x4F);
inline const QColor DarkColour(0x54, 0x6E, 0x7A);
inline const QColor OutsideColour(0x26, 0x26, 0x26);
inline const QColor OutlineColour(0x75, 0x75, 0x75);
inline const QColor TickColour(0x9E, 0x9E, 0x9E);
inline const QColor LabelColour(0xBD, 0xBD, 0xBD);
inline const QColor StartColour(0xEF, 0x53, 0x50);
inline const QColor MarkerColour(0x40, 0xC4, 0xFF);
inline const QColor GridColour(0xFF, 0xFF, 0xFF, 0x55);
inline const QColor TextColour(0xE0, 0xE0, 0xE0);
inline const QColor QuietColour(0x9E, 0x9E, 0x9E);
inline const QColor OffWordColour(0x90, 0xA4, 0xAE);

} // namespace pellmora::ui::simulation
