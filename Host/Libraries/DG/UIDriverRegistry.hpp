#pragma once

#include "DGHost.hpp"

namespace DG::Detail {

// The driver set with Host::SetUIDriver, or null.
Host::UIDriver* CurrentUIDriver();

} // namespace DG::Detail
