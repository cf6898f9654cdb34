#pragma once

namespace kx {

struct Engine;

// The condition of the running "If" or "Else If" statement.
bool evaluateCondition(Engine& engine);

}  // namespace kx
