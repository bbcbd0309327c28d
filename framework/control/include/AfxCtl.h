// Everything a control module built on the framework uses.
#pragma once

#include "AfxCmdTarget.h"
#include "AfxConnectionPoint.h"
#include "AfxDispatchException.h"
#include "AfxDispatchMap.h"
#include "AfxModuleState.h"
#include "AfxMsgMap.h"
#include "AfxOleControl.h"
#include "AfxOleControlModule.h"
#include "AfxOleFactory.h"
#include "AfxOleRegistration.h"
#include "AfxPictureHolder.h"
#include "AfxPropExchange.h"
#include "AfxTypeLibCache.h"
#include "AfxWnd.h"
