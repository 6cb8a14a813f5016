#pragma once
// The class factory of the control (CLSID kControlClassId).
#include "control/module/ClassFactory.h"
#include "control/module/KivDownloadControllerObject.h"

using CKivDownloadControllerCtrlFactory = CClassFactory<CKivDownloadControllerObject>;
