#pragma once
// Fixed names of the control's shared objects.

// The cancel event: a GUID of ours in registry form with braces, so that the
// assistant program can open the same event by name.
inline constexpr const char* kCancelEventName = "{BAC96F7D-C50E-43DE-8EE1-4F49AE5F3AD7}";

// Class, library and interface ids of the control module, in registry form.
// Pages name the control by kControlClassId; registrations carry all of them.
inline constexpr const char* kControlClassId = "{7126E9C3-57EE-4EBA-A6AC-286C10450471}";
inline constexpr const char* kPropertyPageClassId = "{37304071-D4CA-400A-87DD-EC3C2053E740}";
inline constexpr const char* kTypeLibraryId = "{B38740E4-0855-4B6A-8CD3-CEF6CB2500FC}";
inline constexpr const char* kDispatchInterfaceId = "{262D9FC8-DF83-4CDF-9BB9-0959519D3BE5}";
inline constexpr const char* kEventInterfaceId = "{867BE5C0-D0DC-4BA1-8FF9-05AEBD36FCDE}";
// The interface a host drives the control through (control/module/KivDownloadControlApi.h).
inline constexpr const char* kHostControlInterfaceId = "{BC3C0D60-4620-4B29-9617-6F93732F0AE1}";

inline constexpr const char* kControlProgId = "KIVDOWNLOADCONTR.KivDownloadContrCtrl.1";
inline constexpr const char* kPropertyPageProgId = "KIVDOWNLOADCON.KivDownloadConPropPage.1";
