#pragma once
// Keeps child controls at fixed distances from the edges (or from the middle)
// of their parent's client area when the parent changes size. One rule per
// control, registered in order; Apply moves them all as one batch, with the
// parent's painting held back until every control has moved.
#include <QPointer>
#include <QWidget>
#include <climits>
#include <vector>

namespace KIVTOOLCommon {

constexpr unsigned RS_LEFT = 0x1;
constexpr unsigned RS_RIGHT = 0x2;
constexpr unsigned RS_TOP = 0x4;
constexpr unsigned RS_BOTTOM = 0x8;
constexpr unsigned RS_KEEPWIDTH = 0x10;
constexpr unsigned RS_KEEPHEIGHT = 0x20;
constexpr unsigned RS_CENTERX = 0x100;
// A margin that is not given.
constexpr int RS_UNSET = INT_MIN;

struct ResizeSpec {
    QPointer<QWidget> window;
    int left = RS_UNSET;
    int top = RS_UNSET;
    int right = RS_UNSET;
    int bottom = RS_UNSET;
    unsigned flags = 0;
    int centerOffset = 0;
};

class CAutoResize {
public:
    CAutoResize() = default;
    virtual ~CAutoResize() = default;

    // Registers, replaces or (flags 0) removes the rule of `control`. Refused
    // (false, nothing changed): no control; RS_CENTERX with RS_LEFT or
    // RS_RIGHT or without RS_KEEPWIDTH; RS_LEFT|RS_RIGHT with RS_KEEPWIDTH;
    // RS_TOP|RS_BOTTOM with RS_KEEPHEIGHT; removing a rule that does not
    // exist. With all four margins RS_UNSET they are read from the current
    // layout (false for a control without a parent); otherwise stored as given.
    bool SetRule(QWidget* control, int left, int top, int right, int bottom, unsigned flags,
                 int centerOffset = 0);
    // Left, top and right unset; RS_BOTTOM added.
    bool SetCenteredRule(QWidget* control, unsigned flags, int bottom, int centerOffset);
    // Moves every control with a rule (in registration order) for the
    // parent's current client size.
    void Apply(QWidget* parent);

    const std::vector<ResizeSpec>& Rules() const { return rules_; }

private:
    std::vector<ResizeSpec> rules_;
};

}  // namespace KIVTOOLCommon
