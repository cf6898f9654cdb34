#pragma once
// The readable text form of a definition, for authors who write dialogs by hand:
//
//   object Welcome: TForm          ("inherited" / "inline" instead of "object" set the flags;
//     Caption = 'Welcome'#13#10     a child position follows the class as " [3]")
//     Font.Name = 'Tahoma'
//     Items.Strings = ('one' 'two')
//     Anchors = [akLeft, akTop]
//     Picture.Data = {0A54504E47496D616765}
//     Columns = <item [0] Width = 64 end>
//     object Next: TButton
//     end
//   end
//
// Values: integers in decimal (or hexadecimal after "$"); floating-point numbers with a point
// or an exponent, suffixed "s" (single), "c" (currency) or "d" (date), or "~" followed by the
// raw stream bytes in hexadecimal when no decimal form reads back exactly; strings of quoted
// pieces ('' for a quote) and #n character codes; identifiers; True, False, nil, Null.
// Compiling picks the smallest integer type and the string type that holds the text, so the
// text of a compiled definition reads back to the same text.
#include <string>
#include <string_view>

#include "dialogs/forms/component_stream.h"

namespace kx::dfm {

std::string objectToText(const ObjectRecord& root);
// Throws DefinitionError naming the line of the first fault.
ObjectRecord objectFromText(std::string_view text);

// One value in its text form (as it appears right of "Name = ").
std::string valueToText(const Value& value);
Value valueFromText(std::string_view text);

}  // namespace kx::dfm
