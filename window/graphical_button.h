#pragma once

#include <QPushButton>

namespace gegu {

// A push button whose face is always painted in a colour of its own, with the classic raised
// edge (sunken while pressed), the caption centred in the palette's button-text colour, a
// dotted focus rectangle inside the face, and a dark outline while the window says it is the
// default button.
class GraphicalButton : public QPushButton {
    Q_OBJECT
public:
    GraphicalButton(const QString& caption, QColor face, QWidget* parent = nullptr);

    QColor faceColor() const { return face_; }
    // Whether the button is drawn as the window's default button.
    void setShowsDefault(bool shows);
    bool showsDefault() const { return showsDefault_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor face_;
    bool showsDefault_ = false;
};

} // namespace gegu
