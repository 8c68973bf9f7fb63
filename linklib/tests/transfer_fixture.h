// A scripted terminal for transfer tests, with the helpers to read what it was sent.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "link_fixture.h"
#include "sim_launcher.h"
#include "state.h"

namespace linktest {

inline const Bytes kAck = {0x06};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_file(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Undoes the data encoding of request data (the terminal's side, written out here).
inline Bytes decode_request(const Bytes& data) {
    Bytes out;
    for (size_t i = 0; i < data.size(); ++i) {
        uint8_t b = data[i];
        if (b == 0x5C && i + 1 < data.size()) {
            const uint8_t n = data[++i];
            b = n == 0x5C ? 0x5C : (n >= 0x80 ? n - 0x80 : n + 0x80);
        }
        out.push_back(b);
    }
    return out;
}

inline std::string letters_of(const std::vector<Request>& requests) {
    std::string letters;
    for (const auto& r : requests) letters += static_cast<char>(r.letter);
    return letters;
}

class LinkTransfer : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        HM_set_ESC_delay(0);
        HM_set_upload_file_save_mode(UPLOAD_SAVE_OVERWRITE);
    }
    void TearDown() override {
        HM_set_upload_file_save_mode(UPLOAD_SAVE_NEW);
        LinkFixture::TearDown();
    }
    // A wake-up keeps the line quiet for 800 ms, so power saving needs a longer quiet end.
    void serve_with(const std::function<Bytes(const Request&)>& answer, int quiet_ms = 300) {
        peer().run([this, answer, quiet_ms](PtyPeer& p) { seen_ = serve(p, answer, quiet_ms); });
    }
    std::vector<Request> requests() {
        peer().join();
        return seen_;
    }
    // A terminal that sends `content` in upload blocks of `block` bytes, then Z.
    void serve_upload(const std::string& content, size_t block) {
        auto offset = std::make_shared<size_t>(0);
        serve_with([content, block, offset](const Request& r) -> Bytes {
            if (r.letter != 'Y') return kAck;
            if (*offset >= content.size()) return data_answer('Z', "");
            const std::string part = content.substr(*offset, block);
            *offset += part.size();
            return data_answer('Y', part);
        });
    }

    simlaunch::TempDir dir_;
    std::vector<Request> seen_;
};

}  // namespace linktest
