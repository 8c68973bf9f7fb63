// `vantctl poll`: collects the terminals' records into the poll data file format.
#pragma once

#include <string>
#include <vector>

namespace vantctl {

// Runs the sub-command with its own arguments (link options already taken); the exit status.
struct LinkOptions;

int run_poll(const std::vector<std::string>& args, const LinkOptions& link);

}  // namespace vantctl
