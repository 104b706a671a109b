#include "graphical_button.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace gegu {

GraphicalButton::GraphicalButton(const QString& caption, QColor face, QWidget* parent)
    : QPushButton(caption, parent), face_(face) {
    QPalette pal = palette();
    pal.setColor(QPalette::Button, face_);
    setPalette(pal);
}

void GraphicalButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    if (isDefault()) {
        p.setPen(palette().color(QPalette::Shadow));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    const bool sunken = isDown() || isChecked();
    const QBrush faceBrush(face_);
    qDrawWinButton(&p, r, palette(), sunken, &faceBrush);

    QRect textRect = r.adjusted(2, 2, -2, -2);
    if (sunken)
        textRect.translate(1, 1);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.setFont(font());
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = r.adjusted(3, 3, -3, -3);
        focus.backgroundColor = face_;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

} // namespace gegu
