// File transfer, modem commands and the Tester download against a scripted line.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>

#include "transfer_fixture.h"

using namespace linktest;

TEST_F(LinkTransfer, EmptyDownloadSendsLThenZ) {
    const std::string local = dir_.file("empty.bin");
    write_file(local, "");
    serve_with([](const Request&) { return kAck; });
    EXPECT_EQ(HM_download(kPort, 'A', local.c_str(), "EMPTY.BIN"), RC_SUCCESS);
    const auto seen = requests();
    EXPECT_EQ(letters_of(seen), "LZ");
    EXPECT_EQ(seen[0].data, (Bytes{'E', 'M', 'P', 'T', 'Y', '.', 'B', 'I', 'N'}));
}

TEST_F(LinkTransfer, StepwiseDownloadMovesBlocksOf120) {
    std::string content(250, 'x');
    content[0] = '\x02';  // travels as 5C 82
    const std::string local = dir_.file("data.bin");
    write_file(local, content);
    serve_with([](const Request&) { return kAck; });
    int32_t size = 0, bytes = 0, packets = 0;
    ASSERT_EQ(HM_download1(kPort, 'A', local.c_str(), "DATA.BIN", &size), RC_SUCCESS);
    EXPECT_EQ(size, 250);
    std::vector<int32_t> steps;
    int32_t rc;
    while ((rc = HM_download2(&bytes, &packets)) == RC_MORE) steps.push_back(rc);
    steps.push_back(rc);
    EXPECT_EQ(steps, (std::vector<int32_t>{1, 1, 1, 0}));
    EXPECT_EQ(bytes, 250);
    EXPECT_EQ(packets, 3);
    const auto seen = requests();
    ASSERT_EQ(letters_of(seen), "LYYYZ");
    EXPECT_EQ(seen[1].data[0], 0x5C);
    EXPECT_EQ(seen[1].data[1], 0x82);
    EXPECT_EQ(decode_request(seen[1].data).size(), 120u);
    EXPECT_EQ(decode_request(seen[2].data).size(), 120u);
    EXPECT_EQ(decode_request(seen[3].data).size(), 10u);
    EXPECT_EQ(HM_download2(&bytes, &packets), RC_NO_TRANSFER);
}

TEST_F(LinkTransfer, NothingIsSentWithoutALocalFileOrAnOpenDownload) {
    serve_with([](const Request&) { return kAck; });
    int32_t bytes = 0, packets = 0, size = 0;
    EXPECT_EQ(HM_download2(&bytes, &packets), RC_NO_TRANSFER);
    EXPECT_EQ(HM_download22(reinterpret_cast<const unsigned char*>("x"), 1), RC_NO_TRANSFER);
    EXPECT_EQ(HM_upload2(&bytes, &packets), RC_NO_TRANSFER);
    EXPECT_EQ(HM_download(kPort, 'A', dir_.file("missing").c_str(), "X"), RC_NOT_EXIST);
    EXPECT_EQ(HM_download1(kPort, 'A', dir_.file("missing").c_str(), "X", &size), RC_NOT_EXIST);
    EXPECT_EQ(HM_Tester_Download_Initial(kPort, 'A', dir_.file("missing").c_str()), RC_NOT_EXIST);
    const std::string too_long = dir_.path() + "/" + std::string(130, 'n');
    std::array<char, 300> path{};
    std::strcpy(path.data(), too_long.c_str());
    EXPECT_EQ(HM_upload1(kPort, 'A', "X", path.data()), RC_FILE_OPEN_ERROR);
    EXPECT_TRUE(requests().empty());
}

TEST_F(LinkTransfer, DownloadBlockNotAcknowledgedEndsTheTransfer) {
    const std::string local = dir_.file("data.bin");
    write_file(local, std::string(300, 'd'));
    serve_with([](const Request& r) { return r.letter == 'Y' ? Bytes{0x04} : kAck; });
    EXPECT_EQ(HM_download(kPort, 'A', local.c_str(), "D"), RC_UNKNOWN_RESPONSE);
    EXPECT_EQ(letters_of(requests()), "LY");
}

TEST_F(LinkTransfer, CallerBlocksUpTo127BytesAreOneFrameLongerOnesSeveral) {
    serve_with([](const Request&) { return kAck; });
    ASSERT_EQ(HM_download11(kPort, 'A', "RAW.BIN"), RC_SUCCESS);
    const std::string block(300, '\x01');  // every byte takes two encoded
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    EXPECT_EQ(HM_download22(bytes, VANTLINK_DOWNLOAD_BLOCK), RC_MORE);
    EXPECT_EQ(HM_download22(bytes, 300), RC_MORE);
    EXPECT_EQ(HM_download22(nullptr, 0), RC_SUCCESS);
    const auto seen = requests();
    ASSERT_EQ(letters_of(seen), "LYYYYZ");
    EXPECT_EQ(seen[1].data.size(), 254u);
    EXPECT_EQ(decode_request(seen[1].data), Bytes(127, 0x01));
    EXPECT_EQ(decode_request(seen[2].data).size(), 127u);
    EXPECT_EQ(decode_request(seen[3].data).size(), 127u);
    EXPECT_EQ(decode_request(seen[4].data).size(), 46u);
}

TEST_F(LinkTransfer, UploadWritesBlocksAndCountsThem) {
    std::string content;
    for (int i = 0; i < 600; ++i) content += static_cast<char>(i % 256);
    serve_upload(content, 120);  // binary blocks must fit a frame encoded
    std::array<char, VANTLINK_LOCAL_PATH> local{};
    std::strcpy(local.data(), dir_.file("UP.BIN").c_str());
    ASSERT_EQ(HM_upload1(kPort, 'A', "UP.BIN", local.data()), RC_SUCCESS);
    int32_t bytes = 0, packets = 0, rc;
    int steps = 0;
    while ((rc = HM_upload2(&bytes, &packets)) == RC_MORE) ++steps;
    EXPECT_EQ(rc, RC_SUCCESS);
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(bytes, 600);
    EXPECT_EQ(packets, 5);
    EXPECT_EQ(read_file(local.data()), content);
    EXPECT_EQ(letters_of(requests()), "UYYYYYY");
}

TEST_F(LinkTransfer, UploadOfAMissingTerminalFileCreatesNothing) {
    serve_with([](const Request&) { return Bytes{0x04}; });
    std::array<char, VANTLINK_LOCAL_PATH> local{};
    std::strcpy(local.data(), dir_.file("NONE.DAT").c_str());
    EXPECT_EQ(HM_upload(kPort, 'A', "NONE.DAT", local.data()), RC_NOT_EXIST);
    requests();
    EXPECT_FALSE(std::filesystem::exists(local.data()));
}

TEST_F(LinkTransfer, SaveModesNewAndAppend) {
    write_file(dir_.file("FILE.DAT"), "old\n");
    HM_set_upload_file_save_mode(UPLOAD_SAVE_NEW);
    serve_upload("new data", 100);
    std::array<char, VANTLINK_LOCAL_PATH> local{};
    std::strcpy(local.data(), dir_.file("FILE.DAT").c_str());
    EXPECT_EQ(HM_upload(kPort, 'A', "FILE.DAT", local.data()), RC_SUCCESS);
    requests();
    EXPECT_EQ(std::string(local.data()), dir_.file("FIL0.DAT"));
    EXPECT_EQ(read_file(dir_.file("FIL0.DAT")), "new data");
    EXPECT_EQ(read_file(dir_.file("FILE.DAT")), "old\n");

    HM_set_upload_file_save_mode(UPLOAD_SAVE_APPEND);
    serve_upload("more", 100);
    std::strcpy(local.data(), dir_.file("FILE.DAT").c_str());
    EXPECT_EQ(HM_upload(kPort, 'A', "FILE.DAT", local.data()), RC_SUCCESS);
    requests();
    EXPECT_EQ(read_file(dir_.file("FILE.DAT")), "old\nmore");
}

TEST_F(LinkTransfer, NewModeWithEveryNameTakenSendsNothing) {
    const std::string names = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    write_file(dir_.file("LOG"), "");
    for (char c : names) write_file(dir_.file(std::string("LO") + c), "");
    HM_set_upload_file_save_mode(UPLOAD_SAVE_NEW);
    serve_with([](const Request&) { return kAck; });
    std::array<char, VANTLINK_LOCAL_PATH> local{};
    std::strcpy(local.data(), dir_.file("LOG").c_str());
    EXPECT_EQ(HM_upload(kPort, 'A', "LOG", local.data()), RC_NAME_NOT_CHANGEABLE);
    EXPECT_TRUE(requests().empty());
}

class LinkModem : public LinkFixture {
protected:
    // Plays a modem: waits for the command line's CR, then sends its reply.
    int32_t command(const std::string& reply, const char* text, int32_t timeout_ms) {
        peer().run([reply](PtyPeer& p) {
            for (;;) {
                const Bytes byte = p.read_bytes(1);
                if (byte.empty() || byte[0] == '\r') break;
            }
            p.send(Bytes(reply.begin(), reply.end()));
        });
        const int32_t rc = HC_modem_cmd(kPort, text, timeout_ms);
        peer().join();
        return rc;
    }
};

TEST_F(LinkModem, RepliesAreClassifiedByTheirFirstWord) {
    EXPECT_EQ(command("ATDT123\r\r\nCONNECT 9600\r\n", "ATDT123", 1000), 1);
    EXPECT_EQ(command("ATS0=1\r\r\nOK\r\n", "ATS0=1", 1000), 0);
    EXPECT_EQ(command("\r\nNO CARRIER\r\n", "ATDT5", 1000), 3);
    EXPECT_EQ(command("\r\nBUSY\r\n", "ATDT5", 1000), 7);
    EXPECT_EQ(command("\r\n" + std::string(300, 'X') + "\r\n", "AT", 1000), 200);
    EXPECT_EQ(command("\r\nCONNECT " + std::string(300, '9') + "\r\n", "AT", 1000), 1);
}

TEST_F(LinkModem, WithoutASecondLineFeedTheFullTimeOutPasses) {
    for (const std::string& reply : {std::string("\r\nok\r"), std::string()}) {
        const int64_t start = now_ms();
        EXPECT_EQ(command(reply, "AT", 150), 200);
        EXPECT_GE(now_ms() - start, 150);
    }
}

TEST_F(LinkModem, EscapeKeepsItsGuardTimes) {
    std::vector<int64_t> plus_at;
    peer().run([&plus_at](PtyPeer& p) {
        while (plus_at.size() < 3) {
            const Bytes byte = p.read_bytes(1, 2000);
            if (byte.empty()) return;
            if (byte[0] == '+') plus_at.push_back(now_ms());
        }
        p.send({'\r', '\n', 'O', 'K', '\r', '\n'});
    });
    const int64_t start = now_ms();
    EXPECT_EQ(HC_modem_cmd_mode(kPort, 1000), 0);
    peer().join();
    ASSERT_EQ(plus_at.size(), 3u);
    EXPECT_GE(plus_at[0] - start, 299);
    EXPECT_GE(plus_at[2] - start, 599);
    // Arrival times: a reader late for the first '+' shortens the gap it sees, so allow for
    // scheduling; without the guard wait the gap would be about 0.
    EXPECT_GE(plus_at[1] - plus_at[0], 250);
}

TEST_F(LinkModem, RawBytes) {
    peer().send({0x41});
    usleep(20000);
    EXPECT_EQ(HC_getch(kPort), 0x41);
    EXPECT_EQ(HC_getch(kPort), 255);
    EXPECT_EQ(HC_putch(kPort, 0x142), 1);
    EXPECT_EQ(peer().read_bytes(1), (Bytes{0x42}));
    EXPECT_EQ(HC_putch(4, 'x'), 0);
}

class LinkTester : public LinkFixture {};

TEST_F(LinkTester, FramesGoToAddressZWithoutWaitingForAnswers) {
    simlaunch::TempDir dir;
    const std::string local = dir.file("t.bin");
    write_file(local, std::string(250, '\x03'));
    HM_set_Tester_delay(20);
    std::vector<Bytes> frames;
    peer().run([&frames](PtyPeer& p) {
        for (;;) {
            Bytes frame = p.read_request(500);
            if (frame.empty()) return;
            frames.push_back(frame);
        }
    });
    const int64_t start = now_ms();
    EXPECT_EQ(HM_Tester_Downloading(kPort, local.c_str()), RC_SUCCESS);
    const int64_t took = now_ms() - start;
    peer().join();
    HM_set_Tester_delay(1000);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames.front(), (Bytes{0x02, 0x1B, 0x79, 0x41, 0x4B, 0x42, 0xDA}));
    EXPECT_EQ(frames.back(), (Bytes{0x02, 0x1B, 0x7A, 0x47, 0x41, 0xDA}));
    EXPECT_EQ(decode_request(parse_request(frames[1]).data), Bytes(120, 0x03));
    EXPECT_EQ(parse_request(frames[1]).data[0], 0x5C);
    EXPECT_EQ(parse_request(frames[1]).data[1], 0x83);
    EXPECT_EQ(decode_request(parse_request(frames[3]).data).size(), 10u);
    EXPECT_GE(took, 6 * 20);
    EXPECT_EQ(vantlink::state().transfer.packets, 3);
    EXPECT_EQ(vantlink::state().transfer.bytes, 250);
}

TEST_F(LinkTester, VanishedFileIsReportedAndInitialAndFinishAreExchanges) {
    simlaunch::TempDir dir;
    const std::string local = dir.file("gone.bin");
    EXPECT_EQ(HM_Tester_Downloading(kPort, local.c_str()), RC_NOT_EXIST);
    write_file(local, "x");
    std::vector<Request> seen;
    peer().run([&seen](PtyPeer& p) {
        seen = serve(
            p, [](const Request&) { return kAck; }, 300);
    });
    EXPECT_EQ(HM_Tester_Download_Initial(kPort, 'B', local.c_str()), RC_SUCCESS);
    EXPECT_EQ(HM_Tester_Download_Finish(kPort, 'B'), RC_SUCCESS);
    peer().join();
    ASSERT_EQ(letters_of(seen), "lZ");
    EXPECT_EQ(seen[0].address, 0xC2);
    EXPECT_EQ(std::string(seen[0].data.begin(), seen[0].data.end()), local);
}
