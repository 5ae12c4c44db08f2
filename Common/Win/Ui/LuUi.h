// The UI toolkit in one include: application, forms, controls and the skin painter.
#pragma once

#include "LuUiApplication.h"
#include "LuUiButtons.h"
#include "LuUiControls.h"
#include "LuUiEdits.h"
#include "LuUiForm.h"
#include "LuUiGraphics.h"
#include "LuUiPanels.h"
#include "LuUiPicture.h"
#include "LuUiSkin.h"
#include "LuUiTypes.h"
