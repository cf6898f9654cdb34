#include "script/validation.h"

namespace kx {

ValidationResult validateScript(const Script&, VariableStore&) { return {}; }

}  // namespace kx
