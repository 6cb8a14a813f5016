#pragma once
// A message-box button that knows the result code it ends the box with.
#include <QPushButton>

class CButtonEx : public QPushButton {
    Q_OBJECT
public:
    explicit CButtonEx(QWidget* parent = nullptr);

    // Codes 1 (OK) to 7 (No) take the matching button text of the string
    // table and become the button's result; any other code changes nothing.
    void SetKind(int code);
    // 0 until a kind was set.
    int Code() const { return code_; }

private:
    int code_ = 0;
};
