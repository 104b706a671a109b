#pragma once

// How Gegu's windows look: their colours and their Song face.

#include <QColor>
#include <QFont>

namespace gegu {

// A colour written &H00BBGGRR.
QColor bgr(quint32 value);

// "宋体" at a point size, with the Song/Ming faces of Linux as fallbacks: their Latin letters
// and digits are half as wide as an ideograph, like the original face's. It is drawn without
// anti-aliasing, as the classic face is at these sizes: the text is crisp and every inked pixel
// has the text's own colour. Of the fallbacks, SungtiL GB has regular-weight strokes that stay
// whole that way; UMing's light strokes break up.
QFont songFont(int pointSize);

} // namespace gegu
