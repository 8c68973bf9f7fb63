// One sub-command's command line: its words, its own options, and checked argument values.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli_options.h"
#include "request_text.h"

namespace vantctl {

// A command line that is not understood: the message goes to the user and the exit status is 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The options a sub-command takes besides the link options.
struct OptionSpec {
    std::vector<std::string> flags;   // no value, such as --rom
    std::vector<std::string> valued;  // followed by a value, such as --text
};

struct Invocation {
    std::string command;
    std::vector<std::string> args;   // as given, for sub-commands that read their own
    std::vector<std::string> words;  // the positional arguments
    std::map<std::string, std::string> options;
    LinkOptions link;

    bool has(const std::string& option) const { return options.contains(option); }
    const std::string& word(size_t index) const { return words.at(index); }
};

// Splits args into words and the options that allowed allows; throws UsageError otherwise.
void parse_invocation(Invocation& invocation, const OptionSpec& allowed);

// Terminal addresses as given on the command line: one printable character each, at most
// kMaxAddresses of them.
inline constexpr size_t kMaxAddresses = 39;
std::string checked_addresses(const std::string& text);
char checked_address(const std::string& text);

// A whole decimal number in [min, max]; what names it in the message.
int64_t checked_number(const std::string& text, int64_t min, int64_t max, const std::string& what);

// Text that the library sends as request data: not empty, at most max_length bytes.
const std::string& checked_text(const std::string& text, size_t max_length,
                                const std::string& what);

// The longest argument text that one request carries.
inline constexpr size_t kMaxRequestText = opscore::kMaxRequestText;

}  // namespace vantctl
