#pragma once
// A static text that behaves as a hyperlink: hand cursor, underlined font,
// hover colour, and a click opens its target through the launcher (the
// desktop's opener, or the web browser when opening through the browser is
// switched on). A failed launch is silent.
#include <QLabel>
#include <string>

#include "ui/GdiTypes.h"

namespace kivcontrol {
class ILauncher;
}

class CLinkStatic : public QLabel {
    Q_OBJECT
public:
    // Programs a click starts, with the target as the one argument.
    static constexpr const char* kShellOpener = "xdg-open";
    static constexpr const char* kBrowser = "sensible-browser";

    explicit CLinkStatic(QWidget* parent = nullptr, kivcontrol::ILauncher* launcher = nullptr);

    void SetColours(COLORREF normal, COLORREF hover);
    void SetOpenThroughBrowser(bool on) { throughBrowser_ = on; }
    void SetLinkTarget(const std::string& target) { target_ = target; }
    void SetLauncher(kivcontrol::ILauncher* launcher) { launcher_ = launcher; }
    // Transparent: the parent's painting shows through (inside the download
    // dialog); otherwise the link fills its background with the button face.
    void SetTransparentBackground(bool on);

    const std::string& LinkTarget() const { return target_; }
    bool IsHovering() const { return hovering_; }
    COLORREF CurrentTextColour() const { return hovering_ ? hover_ : normal_; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // The platform reports a static control's click on the button press.
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetHovering(bool hovering);
    void ApplyLook();
    void Open();

    std::string target_;
    bool hovering_ = false;
    bool throughBrowser_ = false;
    bool transparent_ = false;
    bool applyingLook_ = false;
    COLORREF normal_ = RGB(0, 0, 224);
    COLORREF hover_ = RGB(224, 0, 0);
    kivcontrol::ILauncher* launcher_;
};
