#include "ui/ButtonEx.h"

#include "resources/StringIds.h"
#include "ui/QtText.h"

namespace {
constexpr int kFirstCode = 1;  // IDOK
constexpr int kLastCode = 7;   // IDNO
// "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&Yes", "&No" follow in the table.
}  // namespace

CButtonEx::CButtonEx(QWidget* parent) : QPushButton(parent) {}

void CButtonEx::SetKind(int code) {
    if (code < kFirstCode || code > kLastCode) {
        return;
    }
    setText(kivui::LoadQString(textid::kButtonOk + static_cast<unsigned>(code - kFirstCode)));
    code_ = code;
}
