#include "command_line_number.h"

namespace vantrel {

namespace {

constexpr std::size_t kCommandLineWordMax = 99;

std::string& storedNumber() {
    static std::string number;
    return number;
}

}  // namespace

void setCommandLinePhoneNumber(std::string_view number) {
    storedNumber() = std::string(number.substr(0, std::min(number.size(), kCommandLineWordMax)));
}

const std::string& commandLinePhoneNumber() {
    return storedNumber();
}

}  // namespace vantrel
