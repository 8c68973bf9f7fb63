// Serves termsim's line on the network through ser2net (one in the test's folder).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "port_diagnosis.h"
#include "ser2net_launcher.h"
#include "vantctl_fixture.h"

namespace ser2net_test {

// Runs ser2net in front of termsim; skips where ser2net is not installed.
class Ser2netFixture : public vantctl_test::VantctlFixture {
protected:
    void SetUp() override {
        if (simlaunch::ser2net_path().empty()) GTEST_SKIP() << "ser2net is not installed";
    }

    // Starts termsim as start_sim does, then ser2net in front of its line.
    void serve(const std::vector<std::string>& terminals,
               const std::vector<std::string>& extra = {}) {
        start_sim(terminals, extra);
        server_.emplace(dir_.path(), dir_.file("com1"), 9600);
        const std::string error = server_->start();
        ASSERT_EQ(error, "");
    }

    // vantctl with the server's URL as the device, at 57600 baud unless args say otherwise.
    // ser2net lets go of the device a moment after a client leaves, and meanwhile turns the next
    // one away with "Port's device already in use": each run waits until it has let go.
    vantctl_test::ProcessRun over(const std::string& url, const std::string& args,
                                  const std::string& env = "") {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!vantlink::port_holders(dir_.file("com1")).empty() &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return vantctl("--device '" + url + "' --baud 57600 " + args, env);
    }

    std::optional<simlaunch::Ser2netServer> server_;
};

}  // namespace ser2net_test
