#pragma once

namespace kx {

struct Engine;

void commandDisplayDialog(Engine& engine);
void commandHideDialog(Engine& engine);

}  // namespace kx
