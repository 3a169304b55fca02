// A public header that shows the engine's own types and a private helper.
#pragma once
#include <firebird/Interface.h>
#include "platform/db/detail/handles.hpp"
