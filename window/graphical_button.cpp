#include "graphical_button.h"

#include <QPainter>
#include <qdrawutil.h>

namespace gegu {

GraphicalButton::GraphicalButton(const QString& caption, QColor face, QWidget* parent)
    : QPushButton(caption, parent), face_(face) {
    QPalette pal = palette();
    pal.setColor(QPalette::Button, face_);
    setPalette(pal);
}

void GraphicalButton::setShowsDefault(bool shows) {
    if (showsDefault_ != shows) {
        showsDefault_ = shows;
        update();
    }
}

void GraphicalButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    if (showsDefault_) {
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
    const QColor text =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    p.setPen(text);
    p.setFont(font());
    p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, this->text());

    if (hasFocus()) {
        // The classic dotted rectangle, drawn here: the style's focus frame fills the face.
        QPen dots(text, 1, Qt::DotLine);
        p.setPen(dots);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

} // namespace gegu
