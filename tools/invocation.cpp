#include "invocation.h"

#include <algorithm>

namespace vantctl {
namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool is_address_character(char c) {
    // The address byte is the character plus 0x80, so only 7-bit printable characters fit.
    return c > ' ' && c < 0x7F;
}

}  // namespace

void parse_invocation(Invocation& invocation, const OptionSpec& allowed) {
    const auto& args = invocation.args;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            invocation.words.push_back(arg);
        } else if (contains(allowed.flags, arg)) {
            invocation.options[arg] = "";
        } else if (contains(allowed.valued, arg)) {
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            invocation.options[arg] = args[++i];
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
}

std::string checked_addresses(const std::string& text) {
    if (text.empty()) throw UsageError("a terminal address is missing");
    if (text.size() > kMaxAddresses) {
        throw UsageError("at most " + std::to_string(kMaxAddresses) + " addresses");
    }
    if (!std::all_of(text.begin(), text.end(), is_address_character)) {
        throw UsageError("addresses are printable characters such as A or 3: " + text);
    }
    return text;
}

char checked_address(const std::string& text) {
    if (text.size() != 1) throw UsageError("one terminal address expected, not " + text);
    return checked_addresses(text)[0];
}

int64_t checked_number(const std::string& text, int64_t min, int64_t max, const std::string& what) {
    const auto value = parse_number(text, min, max);
    if (!value) {
        throw UsageError(what + " must be a number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not " + text);
    }
    return *value;
}

const std::string& checked_text(const std::string& text, size_t max_length,
                                const std::string& what) {
    if (text.empty()) throw UsageError(what + " must not be empty");
    if (text.size() > max_length) {
        throw UsageError(what + " is too long (at most " + std::to_string(max_length) +
                         " characters)");
    }
    return text;
}

}  // namespace vantctl
