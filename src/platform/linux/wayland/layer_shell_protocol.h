// The layer-shell protocol's generated client code, for C++: its header
// names an argument "namespace", which C++ keeps for itself.
#pragma once

#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
