// What the client's callbacks received, in the runtime's tests (the callbacks are the tests').
#pragma once

#include "support/api_types.h"

#include <cstdint>
#include <string>
#include <vector>

struct SeenCallbacks {
    std::vector<std::int32_t> initialized;
    std::vector<std::int32_t> commands;
    std::int32_t notification = 0;
    ObjectId doc = 0;
    std::string text;
    std::vector<std::string> fields;
    std::int32_t number = 0;
};
extern SeenCallbacks seenCallbacks;
