// A library port opened on a scripted pseudo-terminal, with the link settings restored after.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "pty_peer.h"
#include "vantlink.h"

namespace linktest {

class LinkFixture : public ::testing::Test {
protected:
    static constexpr int kPort = 1;

    void SetUp() override {
        peer_ = std::make_unique<PtyPeer>(kPort);
        ASSERT_EQ(HM_OpenCommPort(kPort, 6, 8, 0, 1), 1);
    }
    void TearDown() override {
        peer_->join();
        HM_CloseCommPort(kPort);
        HM_set_time_out(400);
        HM_set_ESC_delay(10);
        HM_set_NAK_delay(50);
        HM_set_power_saving_status(0);
        HM_set_message_pump(nullptr);
    }
    PtyPeer& peer() { return *peer_; }

private:
    std::unique_ptr<PtyPeer> peer_;
};

}  // namespace linktest
