#pragma once

#include "ACAPI/APIdefs.hpp"

GSErrCode HandleMenuCommand(const API_MenuParams* menuParams);
