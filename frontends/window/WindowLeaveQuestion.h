#pragma once
// The browser's own question when the page asks before it is left: the
// control's text with the buttons Leave and Stay, titled with the product
// name. It does not block: the answer arrives through a callback while the
// window's loop goes on (the worker asks meanwhile whether it is open, and
// the window thread answers). Esc and closing the box answer Stay.
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

class QWidget;

class CWindowLeaveQuestion {
public:
    CWindowLeaveQuestion() = default;
    ~CWindowLeaveQuestion();
    CWindowLeaveQuestion(const CWindowLeaveQuestion&) = delete;
    CWindowLeaveQuestion& operator=(const CWindowLeaveQuestion&) = delete;

    // Opens the question, modal to `parent`'s window, with `leaveText` (process
    // code page). `answered(true)` means Leave; it runs once, after the box
    // has closed. One question at a time: false when one is open already.
    bool Open(QWidget* parent, const std::string& leaveText, std::function<void(bool)> answered);
    bool IsOpen() const { return box_ != nullptr; }
    // Answers Leave in the user's place (a stop signal, or the page went anyway).
    void AnswerLeave();
    // The open box, or null.
    QMessageBox* Box() const { return box_; }

    static QString LeaveButtonText() { return QStringLiteral("Leave"); }
    static QString StayButtonText() { return QStringLiteral("Stay"); }
    static QString Title();
    static QString Body(const std::string& leaveText);

private:
    QPointer<QMessageBox> box_;
};
