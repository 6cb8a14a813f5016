#pragma once
// The control's parameter load: reads and checks the page's parameters once,
// when the host loads the control's properties (never when it saves them),
// and builds the ordered content list. A refused parameter ends the load with
// error 200 and the parameter's name in errorDetail; running out of memory
// ends it with error 10. Neither is shown here: the control reports a set
// error code when its window is created.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "control/ParameterSet.h"
#include "control/PropertyBag.h"
#include "transfer/ContentData.h"
#include "transfer/ErrorState.h"

namespace kivcontrol {

struct ParameterLoadResult {
    std::string caption;  // titles and message boxes; the product name by default
    // One item per file in page order. After a refused item parameter it holds
    // the items created so far, so it may be shorter than itemCount.
    kivtransfer::ContentList items;
    std::int32_t itemCount = 0;
    std::string helpLink;
    // Every accepted value, "supporturl" and "playbutton" among them.
    CParameterSet parameters;
    bool aborted = false;  // the single-instance check refused this control
};

// What the load needs from the control around it. Every hook may be empty.
struct ParameterLoadHooks {
    // Called once the caption is settled, before anything can show a box, so
    // that the host's default message-box title becomes the caption.
    std::function<void(const std::string& caption)> captionChosen;
    // The single-instance check. Returns false when this control must not run;
    // it then has set errorCode itself (11 when the instance lock cannot be
    // made, 1 when the user gave up). A refusal that leaves errorCode at 0 is
    // recorded as 999 so the load never looks successful.
    std::function<bool(kivtransfer::ErrorState& error)> singleInstanceCheck;
    // Puts the control's cancel signal back to non-signalled.
    std::function<void()> resetCancel;
};

// A name of the control's parameter list, in any case (item parameters with
// their number, 1 to 255, in plain decimal): true with the longest value the
// load takes for it, 0 when the load sets no length limit.
bool FindControlParameter(std::string_view name, std::size_t& maxLength);

// True when every parameter was accepted. On false `error` holds the cause;
// a code that was already set (by the single-instance check) is kept.
bool LoadParameters(const IPropertyBag& bag, const ParameterLoadHooks& hooks,
                    ParameterLoadResult& result, kivtransfer::ErrorState& error);

}  // namespace kivcontrol
