#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The telephone number named on the command line. In command-line mode with the modem in use,
// Connect / Dial dials it without showing the phone book. Longer text than the command line
// can hold (99 characters) is cut.
void setCommandLinePhoneNumber(std::string_view number);
const std::string& commandLinePhoneNumber();

}  // namespace vantrel
