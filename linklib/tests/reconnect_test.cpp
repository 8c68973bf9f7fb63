// A line whose device goes away: termsim is stopped in the middle of a poll and started again on
// the same link. The library must give up the dead line without spinning, come back by itself,
// and take every record once. Stops happen from the message pump at a chosen step of the
// exchange, so each run hits the same spot.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "sim_launcher.h"
#include "vantlink.h"

namespace {

constexpr int kPort = 1;
constexpr unsigned char kStx = 0x02;
constexpr unsigned char kEtx = 0x03;

// The library's trace file, set before the library first looks for it (see main).
std::string g_trace_path;

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int count_of(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) {
        return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int64_t now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// When the pump stops termsim: once a request has gone out, or once an answer's ETX came in
// (the library then waits the ESC delay before its ACK).
enum class StopAt { Never, AfterRequest, AfterAnswer };

struct Stopper {
    simlaunch::SimProcess* sim = nullptr;
    StopAt at = StopAt::Never;
    bool request_sent = false;
    bool answer_received = false;
    int pumps_while_away = 0;
};
Stopper g_stopper;

void watch_line(void*, int32_t direction, int32_t, const unsigned char* bytes, int32_t count) {
    if (direction == TRACE_SENT && count > 0 && bytes[0] == kStx) {
        g_stopper.request_sent = true;
        g_stopper.answer_received = false;
    }
    if (direction == TRACE_RECEIVED && count == 1 && bytes[0] == kEtx)
        g_stopper.answer_received = true;
}

void stopping_pump() {
    Stopper& s = g_stopper;
    const bool due = (s.at == StopAt::AfterRequest && s.request_sent) ||
                     (s.at == StopAt::AfterAnswer && s.answer_received);
    if (s.sim == nullptr) ++s.pumps_while_away;
    if (!due || s.sim == nullptr) return;
    s.sim->stop();
    s.sim = nullptr;
    s.at = StopAt::Never;
}

class LinkReconnect : public ::testing::Test {
protected:
    void SetUp() override {
        trace_start_ = file_text(g_trace_path).size();
        g_stopper = Stopper{};
        HM_set_trace_handler(&watch_line, nullptr);
        HM_set_message_pump(&stopping_pump);
        for (int i = 1; i <= 6; ++i) records_.push_back("A-" + std::to_string(i) + " record");
    }
    void TearDown() override {
        HM_set_message_pump(nullptr);
        HM_set_trace_handler(nullptr, nullptr);
        HM_CloseCommPort(kPort);
        HM_set_time_out(400);
    }

    // Starts termsim on a link (the port's own unless named) with the records it has not had
    // acknowledged yet.
    void start_sim(const std::string& link = "com1") {
        const std::string records = dir_.file("records");
        std::ofstream out(records, std::ios::binary | std::ios::trunc);
        for (size_t i = acknowledged(); i < records_.size(); ++i) out << records_[i] << "\r\n";
        out.close();
        sims_started_++;
        const std::string trace = dir_.file("termsim-" + std::to_string(sims_started_));
        std::string error;
        sim_ = simlaunch::SimProcess::start(
            dir_.file(link),
            {"--baud", "57600", "--trace", trace, "--terminal", "A,records=" + records}, &error);
        ASSERT_TRUE(sim_) << error;
        setenv("VANTLINK_COM1", sim_->link().c_str(), 1);
    }
    // Records that earlier termsims took as acknowledged, by their own traces.
    size_t acknowledged() const {
        size_t count = 0;
        for (int i = 1; i <= sims_started_; ++i) {
            count += static_cast<size_t>(count_of(
                file_text(dir_.file("termsim-" + std::to_string(i))), "record acknowledged"));
        }
        return count;
    }
    void stop_sim_at(StopAt at) {
        g_stopper.sim = sim_.get();
        g_stopper.at = at;
        g_stopper.request_sent = false;
        g_stopper.answer_received = false;
    }

    int32_t poll(std::string& record) {
        std::array<unsigned char, VANTLINK_POLL_BUFFER> buffer{};
        int32_t length = 0;
        const int32_t rc = HM_poll(kPort, 'A', buffer.data(), &length);
        if (rc == RC_SUCCESS) record.assign(reinterpret_cast<char*>(buffer.data()), length);
        return rc;
    }
    // Polls until the terminal says it has nothing more (at most max_polls polls).
    std::vector<std::string> poll_until_empty(int max_polls) {
        std::vector<std::string> got;
        for (int i = 0; i < max_polls; ++i) {
            std::string record;
            const int32_t rc = poll(record);
            if (rc == RC_SUCCESS) got.push_back(record);
            if (rc == RC_NO_DATA) break;
        }
        return got;
    }
    std::string trace_of_this_test() const { return file_text(g_trace_path).substr(trace_start_); }
    // The pseudo-terminal the port's link names now.
    std::string link_target() const { return std::filesystem::read_symlink(dir_.file("com1")); }

    simlaunch::TempDir dir_;
    std::unique_ptr<simlaunch::SimProcess> sim_;
    std::vector<std::string> records_;
    int sims_started_ = 0;
    size_t trace_start_ = 0;
};

}  // namespace

TEST_F(LinkReconnect, PollsFailFastAndIdleWhileAwayThenResumeWithEveryRecordOnce) {
    start_sim();
    ASSERT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 1);
    HM_set_time_out(100);
    std::vector<std::string> got;
    std::string record;
    ASSERT_EQ(poll(record), RC_SUCCESS);
    got.push_back(record);

    stop_sim_at(StopAt::AfterRequest);
    const std::string away_from = link_target();
    EXPECT_EQ(poll(record), RC_TIME_OUT);

    // Away for over a second: every poll ends within its own time-out, without spinning.
    const double cpu_before = cpu_seconds();
    const int64_t away_start = now_ms();
    int polls_away = 0;
    while (now_ms() - away_start < 1200) {
        const int64_t start = now_ms();
        EXPECT_EQ(poll(record), RC_TIME_OUT);
        EXPECT_LT(now_ms() - start, 180) << "a poll on a lost line waited too long";
        ++polls_away;
    }
    EXPECT_LT(cpu_seconds() - cpu_before, 0.25) << polls_away << " polls";
    EXPECT_GT(g_stopper.pumps_while_away, 100) << "the caller's window was not served";
    EXPECT_EQ(HC_line_state(kPort), 1);

    start_sim();
    const std::vector<std::string> rest = poll_until_empty(40);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, records_);
    // The new termsim may have been given the old pty's number, or another.
    EXPECT_EQ(HC_line_state(kPort), link_target() == away_from ? 0 : 2);

    const std::string trace = trace_of_this_test();
    EXPECT_GT(count_of(trace, " ! COM1 write failed, not sent: STX C1\n"), 0) << trace;
    EXPECT_EQ(count_of(trace, " ! COM1 line lost: No such device: " + dir_.file("com1") + "\n"), 1)
        << trace;
    EXPECT_EQ(count_of(trace, " ! COM1 line back"), 1) << trace;
    EXPECT_LT(trace.find("line lost"), trace.find("line back"));
    // A pseudo-terminal has no low-latency setting: the open and the re-open say so, and go on.
    const std::string opened =
        " ! COM1 open " + dir_.file("com1") + ": low latency not offered by this device\n";
    EXPECT_EQ(count_of(trace, opened), 2) << trace;
}

// The ACK of a received record cannot be written: the terminal keeps the record and sends it
// again after the restart, so the first copy must not count as received.
TEST_F(LinkReconnect, RecordWhoseAckCouldNotBeWrittenIsTakenOnceAfterTheRestart) {
    start_sim();
    ASSERT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 1);
    HM_set_time_out(100);
    std::vector<std::string> got = poll_until_empty(2);
    ASSERT_EQ(got.size(), 2u);

    stop_sim_at(StopAt::AfterAnswer);
    std::string record;
    EXPECT_EQ(poll(record), RC_TIME_OUT);
    EXPECT_EQ(acknowledged(), 2u);

    start_sim();
    // The first attempt to open the device again comes at most a second later.
    const int64_t back_start = now_ms();
    while (HC_line_state(kPort) == 1 && now_ms() - back_start < 3000) {
        if (poll(record) == RC_SUCCESS) got.push_back(record);
    }
    EXPECT_LT(now_ms() - back_start, 2000);
    const std::vector<std::string> rest = poll_until_empty(40);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, records_);
}

// Other operations on a lost line answer as a silent terminal does; closing it still works,
// and opening the number again while the device is away fails with the open error.
TEST_F(LinkReconnect, CommandsTimeOutOnALostLineAndItClosesAndReopensAsAnyPort) {
    start_sim();
    ASSERT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 1);
    HM_set_time_out(50);
    stop_sim_at(StopAt::AfterRequest);
    EXPECT_EQ(HM_warm_start(kPort, 'A'), RC_TIME_OUT);
    const int64_t start = now_ms();
    EXPECT_EQ(HM_buzzer(kPort, 'A', 3), RC_TIME_OUT);
    EXPECT_LT(now_ms() - start, 1000);
    EXPECT_EQ(HC_line_state(kPort), 1);
    HM_set_Tester_delay(5);
    EXPECT_EQ(HM_Tester_Downloading(kPort, dir_.file("records").c_str()), RC_TIME_OUT);
    HM_set_Tester_delay(1000);
    EXPECT_EQ(HM_CloseCommPort(kPort), 1);
    EXPECT_EQ(HC_line_state(kPort), 0);
    EXPECT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 0);
    start_sim();
    EXPECT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 1);
    EXPECT_EQ(HM_warm_start(kPort, 'A'), RC_SUCCESS);
    EXPECT_EQ(HC_line_state(kPort), 0);
    EXPECT_EQ(HC_line_state(-1), 0);
    EXPECT_EQ(HC_line_state(99), 0);
}

// The link is re-pointed, while the line is lost, to a termsim started before the first one
// stopped (so on another pty): the line comes back there, and says so until it is closed.
TEST_F(LinkReconnect, LineBackOnAnotherDeviceIsTracedAndTold) {
    start_sim();
    ASSERT_EQ(HM_OpenCommPort(kPort, 9, 8, 0, 1), 1);
    HM_set_time_out(100);
    std::string record;
    ASSERT_EQ(poll(record), RC_SUCCESS);
    start_sim("com1b");  // the first termsim stops once this one runs
    std::filesystem::rename(dir_.file("com1b"), dir_.file("com1"));
    const int64_t start = now_ms();
    while (HC_line_state(kPort) != 2 && now_ms() - start < 3000) poll(record);
    EXPECT_EQ(HC_line_state(kPort), 2);
    EXPECT_EQ(poll(record), RC_SUCCESS) << "the terminal behind the other device answers";
    const std::string back = " ! COM1 line back on another device: " + dir_.file("com1") + " (";
    EXPECT_EQ(count_of(trace_of_this_test(), back), 1) << trace_of_this_test();
    HM_CloseCommPort(kPort);
    EXPECT_EQ(HC_line_state(kPort), 0);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    simlaunch::TempDir trace_dir;
    g_trace_path = trace_dir.file("vantlink.trace");
    setenv("VANTLINK_TRACE", g_trace_path.c_str(), 1);
    return RUN_ALL_TESTS();
}
