// The text of one output field: Iw, Aw and Ew.d edit descriptors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace recordio::detail {

// Appends `value` right-justified in `width` columns, "-" before a negative value and no
// "+"; `width` asterisks when the digits and the sign do not fit.
void put_integer_field(std::string& record, std::int32_t value, int width);

// Appends the Aw field of `item`: its first `width` characters when `width` is at most its
// length, else `width` minus length blanks and the whole item. Width 0 means the item's
// length.
void put_character_field(std::string& record, std::string_view item, int width);

// Appends the Ew.d field of `value` widened to double (scale factor 0):
//   spare = width - (sign + digits + 5);  spare < 0: width asterisks;
//   spare = 0: sign "." m1..md "E" exponent;  spare > 0: spare-1 blanks, sign "0." m1..md
//   "E" exponent. The digits m1..md and the decimal exponent e10 are those of the
// correctly rounded scientific conversion at precision digits-1; the exponent written is
// e10+1 with its sign and at least two digits ("+00" for zero). Zero, negative zero
// included, has no sign. Infinities and not-a-number are written "INF", "-INF" and "NAN"
// right-justified (width asterisks when they do not fit).
// Requires 1 <= digits <= max_format_digits and width >= 1.
void put_real_field(std::string& record, float value, int width, int digits);

}  // namespace recordio::detail
