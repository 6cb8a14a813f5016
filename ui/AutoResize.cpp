// Re-layout of child controls by fixed margins.
#include "ui/AutoResize.h"

#include <algorithm>

namespace KIVTOOLCommon {

namespace {

bool IsRefused(unsigned flags) {
    const bool centred = (flags & RS_CENTERX) != 0;
    const bool keepWidth = (flags & RS_KEEPWIDTH) != 0;
    const bool keepHeight = (flags & RS_KEEPHEIGHT) != 0;
    if (centred && (flags & (RS_LEFT | RS_RIGHT)) != 0) return true;
    if (centred && !keepWidth) return true;
    if ((flags & (RS_LEFT | RS_RIGHT)) == (RS_LEFT | RS_RIGHT) && keepWidth) return true;
    if ((flags & (RS_TOP | RS_BOTTOM)) == (RS_TOP | RS_BOTTOM) && keepHeight) return true;
    return false;
}

bool AllUnset(const ResizeSpec& spec) {
    return spec.left == RS_UNSET && spec.top == RS_UNSET && spec.right == RS_UNSET &&
           spec.bottom == RS_UNSET;
}

// Edges of the control in its parent's client co-ordinates (right and bottom exclusive).
struct Edges {
    int x0, y0, x1, y1;
};

// A flag whose margin was never given leaves its edge where it is: an unset
// margin is no distance, and adding it would throw the control far off.
bool Uses(const ResizeSpec& spec, unsigned flag, int margin) {
    return (spec.flags & flag) != 0 && margin != RS_UNSET;
}

Edges Place(const ResizeSpec& spec, const QRect& control, const QRect& client) {
    const int w = control.width();
    const int h = control.height();
    const int cr = client.left() + client.width();
    const int cb = client.top() + client.height();
    const bool keepWidth = (spec.flags & RS_KEEPWIDTH) != 0;
    const bool keepHeight = (spec.flags & RS_KEEPHEIGHT) != 0;
    Edges e{control.left(), control.top(), control.left() + w, control.top() + h};
    if (Uses(spec, RS_LEFT, spec.left)) {
        e.x0 = client.left() + spec.left;
        if (keepWidth) e.x1 = e.x0 + w;
    }
    if (Uses(spec, RS_RIGHT, spec.right)) {
        e.x1 = cr - spec.right;
        if (keepWidth) e.x0 = e.x1 - w;
    }
    if ((spec.flags & RS_CENTERX) != 0) {
        e.x0 = cr / 2 + spec.centerOffset;
        if (keepWidth) e.x1 = e.x0 + w;
    }
    if (Uses(spec, RS_TOP, spec.top)) {
        e.y0 = client.top() + spec.top;
        if (keepHeight) e.y1 = e.y0 + h;
    }
    if (Uses(spec, RS_BOTTOM, spec.bottom)) {
        e.y1 = cb - spec.bottom;
        if (keepHeight) e.y0 = e.y1 - h;
    }
    return e;
}

}  // namespace

bool CAutoResize::SetRule(QWidget* control, int left, int top, int right, int bottom,
                          unsigned flags, int centerOffset) {
    if (control == nullptr) return false;
    std::erase_if(rules_, [](const ResizeSpec& spec) { return spec.window == nullptr; });
    const auto found =
        std::find_if(rules_.begin(), rules_.end(),
                     [control](const ResizeSpec& spec) { return spec.window == control; });
    if (flags == 0) {
        if (found == rules_.end()) return false;
        rules_.erase(found);
        return true;
    }
    if (IsRefused(flags)) return false;
    ResizeSpec spec{control, left, top, right, bottom, flags, centerOffset};
    if (AllUnset(spec)) {
        const QWidget* parent = control->parentWidget();
        if (parent == nullptr) return false;
        const QRect at = control->geometry();
        spec.left = at.left();
        spec.top = at.top();
        spec.right = parent->width() - (at.left() + at.width());
        spec.bottom = parent->height() - (at.top() + at.height());
    }
    if (found != rules_.end()) {
        *found = spec;
    } else {
        rules_.push_back(spec);
    }
    return true;
}

bool CAutoResize::SetCenteredRule(QWidget* control, unsigned flags, int bottom, int centerOffset) {
    return SetRule(control, RS_UNSET, RS_UNSET, RS_UNSET, bottom, flags | RS_BOTTOM, centerOffset);
}

void CAutoResize::Apply(QWidget* parent) {
    if (parent == nullptr) return;
    const QRect client = parent->rect();
    std::vector<std::pair<QWidget*, QRect>> moves;
    moves.reserve(rules_.size());
    for (const ResizeSpec& spec : rules_) {
        if (spec.window == nullptr) continue;
        const Edges e = Place(spec, spec.window->geometry(), client);
        moves.emplace_back(spec.window.data(), QRect(e.x0, e.y0, e.x1 - e.x0, e.y1 - e.y0));
    }
    // One batch: the parent repaints once, after every control has moved.
    const bool updates = parent->updatesEnabled();
    parent->setUpdatesEnabled(false);
    for (const auto& [control, geometry] : moves) control->setGeometry(geometry);
    parent->setUpdatesEnabled(updates);
}

}  // namespace KIVTOOLCommon
