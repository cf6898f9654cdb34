#pragma once
// Commands that compute texts and numbers in script variables.

namespace kx {

struct Engine;

void commandSetVariable(Engine& engine);
void commandMathematics(Engine& engine);
void commandParseString(Engine& engine);
void commandReplaceString(Engine& engine);
void commandConvertPath(Engine& engine);
void commandExtractPath(Engine& engine);
void commandGetTemporaryFile(Engine& engine);
void commandMessageBox(Engine& engine);

}  // namespace kx
