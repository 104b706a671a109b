#pragma once

#include <QPushButton>

namespace gegu {

// A push button whose face is painted in a colour of its own, with the classic raised edge
// (sunken while pressed), the caption centred in the palette's button-text colour, a dotted
// focus rectangle, and a dark outline while it is the default button.
class GraphicalButton : public QPushButton {
    Q_OBJECT
public:
    GraphicalButton(const QString& caption, QColor face, QWidget* parent = nullptr);

    QColor faceColor() const { return face_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor face_;
};

} // namespace gegu
