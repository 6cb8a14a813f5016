#pragma once
// A push button drawn by the program: flat face colours, a raised edge (light
// top-left, dark bottom-right), a sunken one when pressed with the text moved
// one pixel right and down, grayed text when disabled and, when wanted, a
// focus rectangle inside the edge.
#include <QPushButton>

#include "ui/GdiTypes.h"

class CColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit CColorButton(QWidget* parent = nullptr);
    CColorButton(const QString& text, QWidget* parent);

    void SetFaceColour(COLORREF colour);
    void SetPressedFaceColour(COLORREF colour);
    void SetTextColour(COLORREF colour);
    void SetDrawFocusRect(bool on);

    COLORREF FaceColour() const { return face_; }
    COLORREF PressedFaceColour() const { return pressedFace_; }
    bool DrawsFocusRect() const { return drawFocus_; }
    // The last rectangle a button of this class drew (shared by all of them).
    static QRect LastDrawnRect();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawFace(QPainter& painter, QRect& rect, bool pressed) const;
    void DrawLabel(QPainter& painter, const QRect& rect) const;

    COLORREF face_ = RGB(236, 233, 216);
    COLORREF pressedFace_ = RGB(236, 233, 216);
    COLORREF light_ = RGB(255, 255, 255);
    COLORREF dark_ = RGB(128, 128, 128);
    COLORREF text_ = RGB(0, 0, 0);
    bool drawFocus_ = true;
};
