// Runs getfname once per extension named on the command line and shows each name between
// brackets on standard output, so that the dialogue can be checked as the operator sees it.
#include <array>
#include <string_view>

#include "plaxen/blanking/getfname.h"
#include "recordio/recordio.h"

int main(int argc, char** argv) {
  recordio::start_up();
  for (int a = 1; a < argc; ++a) {
    std::array<char, 4> ext{' ', ' ', ' ', ' '};
    const std::string_view given(argv[a]);
    for (std::size_t k = 0; k < ext.size() && k < given.size(); ++k) ext[k] = given[k];
    std::array<char, plaxen::blanking_name_length> fname{};
    plaxen::getfname(fname, ext);
    recordio::start_formatted_write(recordio::output_unit, "('[',A40,']')");
    recordio::write(std::string_view(fname.data(), fname.size()));
    recordio::end_write();
  }
  recordio::stop();
}
