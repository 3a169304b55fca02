// A foundation header that reaches up into a business subsystem.
#pragma once
#include "inventory/estoque.hpp"
