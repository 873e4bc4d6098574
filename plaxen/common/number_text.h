// Number texts that read back exactly: the shortest decimal that names the same value.
#pragma once

#include <string>

namespace plaxen {

// The shortest decimal text of `value` that reads back to the same single real, both when
// read straight into single precision and when read into double first and then rounded
// to single precision (as plaxen's list-directed input and most tools read it): "0.1",
// "521000.5", "1e+35". Infinities and not-a-number give "inf", "-inf" and "nan".
// Locale-free; allocates the returned string.
std::string exact_text(float value);

// The shortest decimal text that reads back to the same double.
std::string exact_text(double value);

}  // namespace plaxen
