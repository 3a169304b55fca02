// A pure routine that reaches the database: the check must refuse it.
#pragma once
#include "platform/db/database.hpp"
