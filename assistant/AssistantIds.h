#pragma once
// Fixed names shared with the assistant program, the same on both sides.
// The third, the cancel event's name, is the control's own
// (kCancelEventName in control/ControlIds.h): the assistant opens that event.

// The request event: named, auto-reset, set once per request written to the
// work file. Registry form with braces.
inline constexpr const char* kRequestEventName = "{314968A2-C3C9-458F-9856-831A248AA416}";

// Marks a content-list request as ours; registry form without braces,
// stored as the 16 bytes ParseGuid gives.
inline constexpr const char* kContentListIdentifier = "1E356592-47AF-4B64-8DC7-41D0C8F167B7";
